#pragma once

#include <QTimer>
#include <QWidget>

namespace glasspane {

// The small animation shown in the preview pane of the desktop's screen-saver settings: four
// frames, one a second, drawn inside a window of another program (main() puts it there).
class frmPreview : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FrameCount = 4;

    explicit frmPreview(QWidget* parent = nullptr);

    // 1 to FrameCount.
    int frameIndex() const { return m_frame; }
    // One step of the animation: the next frame, back to the first after the last.
    void tim_Timer();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_tim;
    int m_frame = 1;
};

} // namespace glasspane
