#pragma once
// After a send that failed: the offer to send the job again from the first
// object the cutter did not confirm in full, with a box to choose another one,
// and that object drawn over the preview while the offer is open.
#include <QDialog>
#include <QImage>

#include <cstddef>
#include <functional>

#include "geometry/Job.h"
#include "geometry/PreviewGeometry.h"
#include "run/ResumePoint.h"

class QSpinBox;

namespace kerfmax::gui {

class ResumeOfferDlg : public QDialog {
    Q_OBJECT
public:
    // showObject(k) runs at once and at every change of the box.
    ResumeOfferDlg(const ResumeOffer& offer, int language, std::function<void(std::size_t)> showObject,
                   QWidget* parent = nullptr);

    std::size_t ChosenObject() const;
    QSpinBox* ObjectBox() const { return m_object; }

private:
    QSpinBox* m_object = nullptr;
};

// The art object that object k of the offer stands for, or kNoArtObject (the
// tail beyond the last object has none).
std::size_t ArtObjectOf(const ResumeOffer& offer, std::size_t k);

// Draws the art object over the preview image as the preview maps the job:
// its cut lines in green, two pixels wide.
void HighlightObject(QImage& image, const Job& job, std::size_t artObject, const PreviewFrame& frame,
                     const PreviewView& view);

}  // namespace kerfmax::gui
