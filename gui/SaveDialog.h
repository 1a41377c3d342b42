#pragma once
// The Save As dialog of Save to File, in the interface language: its title,
// its filter, its labels and the question before a file is replaced are ours,
// so none of them is left in the system's language.
#include <QString>

#include <memory>

class QFileDialog;
class QWidget;

namespace kerfmax::gui {

// The dialog, ready to run; proposed: a folder or a file to start from (empty:
// the dialog's own choice).
std::unique_ptr<QFileDialog> BuildSaveDialog(QWidget* parent, int language, const QString& proposed = {});

// Runs the dialog until a path is chosen whose file may be written (a file
// that exists is replaced only when the user says so); empty when cancelled.
QString ChooseSavePath(QWidget* parent, int language, const QString& proposed = {});

}  // namespace kerfmax::gui
