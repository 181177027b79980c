#pragma once

#include <QStringList>
#include <QWidget>

namespace glasspane {

// The two rows of tab headers above the configuration dialog's pages: tabs 1 to 6 in one row,
// 7 to 12 in the other. The row of the selected tab stands in front (next to the pages), the
// other row behind it, and the selected header is raised a little above its row. Choosing a
// tab of the back row swaps the rows.
class TabHeaderStrip : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TabCount = 12;
    static constexpr int TabsPerRow = 6;
    // Where a header stands, in twips from the top: the back row, the front row, raised.
    static constexpr int BackRowTop = 60;
    static constexpr int FrontRowTop = 375;
    static constexpr int SelectedTop = 345;

    explicit TabHeaderStrip(QWidget* parent = nullptr);

    // Captions (an '&' marks a mnemonic, which the headers do not show) and tool tips of the
    // twelve headers.
    void setHeaders(const QStringList& captions, const QStringList& toolTips);

    // 1 to 12.
    int currentTab() const { return m_current; }
    // 1 (tabs 1 to 6 in front) or 2.
    int frontRow() const { return m_frontRow; }
    // Moves the headers for tab n (1..12); nothing for 0 or the current tab.
    void selectTab(int n);
    // Back to tab 1 with its row in front.
    void reset();

    static int rowOf(int n) { return n <= TabsPerRow ? 1 : 2; }
    // The top of header n in twips (BackRowTop, FrontRowTop or SelectedTop).
    int headerTop(int n) const;
    // Header n on the widget, in pixels.
    QRect headerRect(int n) const;
    // The tab under a point, 0 when none.
    int tabAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    // A header was clicked: the dialog selects that tab.
    void tabClicked(int n);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    int headerWidth() const;
    int headerHeight() const;
    int pixelTop(int n) const;
    void paintHeader(QPainter& painter, int n) const;

    QStringList m_captions;
    QStringList m_toolTips;
    int m_current = 1;
    int m_frontRow = 1;
};

} // namespace glasspane
