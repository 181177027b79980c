#pragma once

#include <QTimer>
#include <QWidget>

namespace glasspane {

// The small animation shown in the preview pane of the desktop's screen-saver settings: four
// frames, one a second, drawn inside a window of another program.
class frmPreview : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FrameCount = 4;

    explicit frmPreview(QWidget* parent = nullptr);

    // 1 to FrameCount.
    int frameIndex() const { return m_frame; }
    // Makes the preview a child of the foreign X11 window with that id, filling it. False when
    // there is no such window (a handle of 0 included).
    [[nodiscard]] bool embedInto(quintptr foreignWindow);

    // One step of the animation: the next frame, back to the first after the last.
    void tim_Timer();

Q_SIGNALS:
    // The window that held the preview is gone: the program has nothing left to show.
    void hostClosed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void checkHost();

    QTimer m_tim;
    int m_frame = 1;
    quintptr m_host = 0;
};

} // namespace glasspane
