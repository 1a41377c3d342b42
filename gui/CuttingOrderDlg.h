#pragma once
// The cutting-order dialog: the job drawn in file order, in the "Reduce Feed"
// order and in the "Inside First" order with its travel moves, a choice among
// them, and a playback of the chosen order object by object on a thread of its
// own. Apply stores the choice as the CutOrder setting; Cancel leaves the
// setting alone.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <QDialog>
#include <QImage>

#include "geometry/CuttingOrderPicture.h"

class QMenu;
class QPushButton;
class QRadioButton;

namespace kerfmax {
class CIniFile;
class CuttingRun;
}  // namespace kerfmax

namespace kerfmax::gui {

class CCuttingOrderDlg : public QDialog {
    Q_OBJECT
public:
    // Reads the job and the orders from run now; the run is not used later.
    // settingsFile: where CutOrder is read and written; nullptr: the run's
    // setting is read and nothing is written.
    CCuttingOrderDlg(CuttingRun& run, CIniFile* settingsFile, int language, QWidget* parent);
    ~CCuttingOrderDlg() override;

    enum OrderMode { DefaultOrder = 0, ReduceFeed = 1, InsideFirst = 2 };
    enum PictureCode { DefaultOrderPicture = 0, PlaybackCanvas = 1, ReduceFeedPicture = 2, InsideFirstPicture = 3 };
    static constexpr int kDefaultOrderMenuId = 32787;
    static constexpr int kReduceFeedMenuId = 32788;
    static constexpr int kInsideFirstMenuId = 32789;
    static constexpr int kSpeedDelays[] = {300, 150, 50};  // milliseconds per object, X1 X2 X3

    int Mode() const { return m_mode; }
    int ShownPicture() const { return m_shown; }
    const QImage& Picture(int code) const;
    int PlaybackDelay() const { return m_delayMs.load(); }
    // A play thread exists (running, or ended and not yet joined).
    bool PlaybackRunning() const { return m_playThread.joinable(); }

    // The Cut Order menu's choice, by its item id.
    void ChooseOrder(int menuId);
    void Play();
    void Apply();

    // Every way of closing ends the playback first.
    void done(int result) override;

private:
    void SetSpeed(int index);
    void ShowPicture(int code);
    void StopPlayback();
    void PlayThread(std::shared_ptr<const CuttingOrderPicture> picture, QImage canvas);
    bool WaitOrStop(int milliseconds);
    void OnPlayFinished();

    CIniFile* m_settingsFile;
    int m_mode = DefaultOrder;
    int m_shown = DefaultOrderPicture;
    std::shared_ptr<const CuttingOrderPicture> m_defaultOrder;  // file order, with travel
    std::shared_ptr<const CuttingOrderPicture> m_reduceFeed;  // banded order, with travel
    std::shared_ptr<const CuttingOrderPicture> m_insideFirst;  // inside first, with travel
    QImage m_base;  // cut lines only, file order
    QImage m_defaultPicture;
    QImage m_reducePicture;
    QImage m_insidePicture;
    QImage m_canvas;  // the playback as the play thread last showed it

    QWidget* m_area = nullptr;
    QPushButton* m_cutOrder = nullptr;
    QPushButton* m_play = nullptr;
    QRadioButton* m_speeds[3] = {};
    QMenu* m_menu = nullptr;

    std::atomic<int> m_delayMs{kSpeedDelays[0]};
    std::mutex m_stopMutex;
    std::condition_variable m_stopChanged;
    bool m_stopRequested = false;  // guarded by m_stopMutex
    std::thread m_playThread;
};

}  // namespace kerfmax::gui
