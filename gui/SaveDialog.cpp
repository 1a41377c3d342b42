#include "gui/SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/StandardTexts.h"
#include "app/Texts.h"
#include "gui/MessageBoxNotifier.h"
#include "gui/PathText.h"

namespace kerfmax::gui {

namespace {

QString Standard(StandardTextId id, int language)
{
    return QString::fromUtf8(StandardText(id, language));
}

}  // namespace

std::unique_ptr<QFileDialog> BuildSaveDialog(QWidget* parent, int language, const QString& proposed)
{
    auto dialog = std::make_unique<QFileDialog>(parent, Standard(StandardTextId::SaveDialogTitle, language));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
#ifndef Q_OS_WIN
    // The toolkit's own dialog, whose every label is set here; the system's
    // Save As of Windows speaks the system's language by itself.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
#endif
    // The question before replacing a file is asked in our words.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setNameFilter(Standard(StandardTextId::SaveDialogFilter, language));
    dialog->setDefaultSuffix(QString::fromLatin1(kSaveDialogExtension));
    dialog->setLabelText(QFileDialog::LookIn, Standard(StandardTextId::SaveDialogLookIn, language));
    dialog->setLabelText(QFileDialog::FileName, Standard(StandardTextId::SaveDialogFileName, language));
    dialog->setLabelText(QFileDialog::FileType, Standard(StandardTextId::SaveDialogFileType, language));
    dialog->setLabelText(QFileDialog::Accept, Standard(StandardTextId::SaveDialogAccept, language));
    dialog->setLabelText(QFileDialog::Reject, Standard(StandardTextId::CancelButton, language));
    if (!proposed.isEmpty()) {
        const QFileInfo start(proposed);
        if (start.isDir()) {
            dialog->setDirectory(proposed);
        } else {
            dialog->setDirectory(start.absolutePath());
            dialog->selectFile(start.fileName());
        }
    }
    return dialog;
}

QString ChooseSavePath(QWidget* parent, int language, const QString& proposed)
{
    QString start = proposed;
    for (;;) {
        const std::unique_ptr<QFileDialog> dialog = BuildSaveDialog(parent, language, start);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
        const QString chosen = dialog->selectedFiles().first();
        if (!QFileInfo::exists(chosen)) return chosen;
        const QString question = FromUtf8(OverwriteQuestionText(ToUtf8(QFileInfo(chosen).fileName()), language));
        if (ShowMessageBox(question, NotifyIcon::Warning, NotifyButtons::YesNo, parent) == NotifyAnswer::Yes)
            return chosen;
        start = chosen;  // asked again, from the same place
    }
}

}  // namespace kerfmax::gui
