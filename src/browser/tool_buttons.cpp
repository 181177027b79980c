#include "browser/tool_buttons.h"

#include <algorithm>

namespace glasspane {

void ResetButtons(DocumentState& doc)
{
    doc.ToolRunButtons = DefaultToolRunButtons();
    doc.ToolNavButtons = DefaultToolNavButtons();
}

void SortButtons(QVector<ToolButton>& list, bool byPosition)
{
    // Stable: two buttons given the same position keep their built-in order.
    std::stable_sort(list.begin(), list.end(),
                     [byPosition](const ToolButton& a, const ToolButton& b) {
                         return byPosition ? a.Position < b.Position : a.Index < b.Index;
                     });
}

bool ButtonShown(const ToolButton& button, int helpKind, bool helpEnabled)
{
    return button.Visible && !(button.Index == helpKind && !helpEnabled);
}

QString ButtonTipText(const QString& tip)
{
    return QLatin1Char(' ') + tip + QLatin1Char(' ');
}

void PlaceToolNav(ToolBarPlacement& placement, int contentWidth, int windowHeight,
                  const QSize& screen)
{
    if (placement.ToolNavWidth == kToolBarUnplaced)
        placement.ToolNavWidth = contentWidth;
    if (placement.ToolNavLeft == kToolBarUnplaced)
        placement.ToolNavLeft = screen.width() - placement.ToolNavWidth;
    if (placement.ToolNavLeft < 0)
        placement.ToolNavLeft = 0;
    else if (qint64(placement.ToolNavLeft) + placement.ToolNavWidth > screen.width())
        placement.ToolNavLeft = screen.width() - placement.ToolNavWidth;
    if (placement.ToolNavTop < 0)
        placement.ToolNavTop = 0;
    else if (qint64(placement.ToolNavTop) + windowHeight > screen.height())
        placement.ToolNavTop = screen.height() - windowHeight;
}

void PlaceToolRun(ToolBarPlacement& placement, int windowWidth, int windowHeight,
                  const QSize& screen)
{
    if (placement.ToolRunLeft == kToolBarUnplaced)
        placement.ToolRunLeft = screen.width() - windowWidth;
    if (placement.ToolRunLeft < 0)
        placement.ToolRunLeft = 0;
    else if (qint64(placement.ToolRunLeft) + windowWidth > screen.width())
        placement.ToolRunLeft = screen.width() - windowWidth;
    if (placement.ToolRunTop < 0)
        placement.ToolRunTop = 0;
    else if (qint64(placement.ToolRunTop) + windowHeight > screen.height())
        placement.ToolRunTop = screen.height() - windowHeight;
}

namespace {

// Buttons side by side in Position order; returns the bar's content and the per-kind places.
ToolBarGeometry layoutButtons(QVector<ToolButton> buttons, const QVector<QSize>& pictureSizes,
                              int helpKind, bool helpEnabled)
{
    ToolBarGeometry bar;
    int kinds = 0;
    for (const ToolButton& b : buttons)
        kinds = std::max(kinds, b.Index + 1);
    bar.buttons.resize(kinds);

    SortButtons(buttons, true);
    int x = 0;
    int h = 0;
    for (const ToolButton& b : buttons) {
        if (b.Index < 0)
            continue;
        ButtonPlace& place = bar.buttons[b.Index];
        place.left = x;
        place.visible = ButtonShown(b, helpKind, helpEnabled);
        if (!place.visible)
            continue;
        const QSize size = b.Index < pictureSizes.size() ? pictureSizes[b.Index] : QSize();
        ++bar.placedCount;
        x += std::max(0, size.width());
        h = std::max(h, size.height());
    }
    bar.contentWidth = x;
    bar.contentHeight = h;
    return bar;
}

void addFrame(ToolBarGeometry& bar, bool locked, const ToolBarFrame& frame)
{
    bar.windowWidth = bar.contentWidth;
    bar.windowHeight = bar.contentHeight;
    if (!locked) {
        bar.windowWidth += 2 * frame.frameWidth;
        bar.windowHeight += frame.captionHeight + 2 * frame.frameHeight;
    }
}

} // namespace

ToolBarsLayout ArrangeToolBarsLayout(const ToolBarLayoutInput& input)
{
    ToolBarsLayout out;
    out.placement = input.placement;
    ToolBarPlacement& p = out.placement;

    // Navigation bar.
    out.nav =
        layoutButtons(input.navButtons, input.navPictureSizes, kToolNavHelpKind, input.helpEnabled);
    addFrame(out.nav, p.ToolNavLocked, input.navFrame);
    out.urlVisible = input.toolNavURLVisible;
    if (out.urlVisible)
        out.nav.windowHeight += input.urlBoxHeight;
    if (out.nav.windowWidth > p.ToolNavWidth)
        p.ToolNavWidth = out.nav.windowWidth;
    PlaceToolNav(p, out.nav.contentWidth, out.nav.windowHeight, input.screen);
    out.nav.windowWidth = p.ToolNavWidth;
    out.nav.left = p.ToolNavLeft;
    out.nav.top = p.ToolNavTop;
    out.urlTop = out.nav.contentHeight;
    out.urlWidth = p.ToolNavWidth - (p.ToolNavLocked ? 0 : 2 * input.navFrame.frameWidth);

    // Screen-saver bar: no address box, its width is never stored.
    out.run =
        layoutButtons(input.runButtons, input.runPictureSizes, kToolRunHelpKind, input.helpEnabled);
    addFrame(out.run, p.ToolRunLocked, input.runFrame);
    PlaceToolRun(p, out.run.windowWidth, out.run.windowHeight, input.screen);
    out.run.left = p.ToolRunLeft;
    out.run.top = p.ToolRunTop;
    return out;
}

ToolNavResize ResizeToolNav(const ToolBarsLayout& layout, bool locked, const ToolBarFrame& frame,
                            int requestedWidth)
{
    ToolNavResize r;
    r.height = layout.nav.windowHeight;
    const int frameWidth = locked ? 0 : 2 * frame.frameWidth;
    if (locked)
        r.width = layout.nav.windowWidth;
    else
        r.width = std::max(requestedWidth, layout.nav.contentWidth + frameWidth);
    r.urlWidth = r.width - frameWidth;
    return r;
}

} // namespace glasspane
