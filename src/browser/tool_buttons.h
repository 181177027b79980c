#pragma once

// The two tool bars' button lists and their layout, in twips and without any window, so that
// the rules can be checked with tables. tool_bars.h applies the result to the windows.

#include "document/document.h"

#include <QSize>
#include <QString>
#include <QVector>

namespace glasspane {

// A stored tool bar position or width of this value means "not placed yet".
inline constexpr qint32 kToolBarUnplaced = -10000;

// The kind of the Help button on each bar.
inline constexpr int kToolRunHelpKind = ToolRunHelp;
inline constexpr int kToolNavHelpKind = ToolNavHelp;

// Recreates both button lists with their built-in buttons (tips = names, no custom pictures,
// visible, Position = Index).
void ResetButtons(DocumentState& doc);

// Sorts by Position (byPosition) or by Index, ascending; equal keys keep their order.
void SortButtons(QVector<ToolButton>& list, bool byPosition);

// Whether a button is put on its bar: its Visible, except that Help stays off the bar while
// help is disabled, wherever its position puts it.
bool ButtonShown(const ToolButton& button, int helpKind, bool helpEnabled);

// The tool tip shown for a button: the tip with one space on either side.
QString ButtonTipText(const QString& tip);

// The placement values of both bars, as stored in the settings (twips).
struct ToolBarPlacement
{
    qint32 ToolRunLeft = kToolBarUnplaced;
    qint32 ToolRunTop = 0;
    bool ToolRunLocked = false;
    qint32 ToolNavLeft = kToolBarUnplaced;
    qint32 ToolNavTop = 0;
    qint32 ToolNavWidth = kToolBarUnplaced;
    bool ToolNavLocked = false;

    friend bool operator==(const ToolBarPlacement&, const ToolBarPlacement&) = default;
};

// What an unlocked window adds around its content, in twips: the frame on each side and the
// small caption above.
struct ToolBarFrame
{
    int frameWidth = 0;
    int frameHeight = 0;
    int captionHeight = 0;
};

// Everything the layout depends on. Sizes in twips.
struct ToolBarLayoutInput
{
    QVector<ToolButton> runButtons; // in any order; each entry's Index is its kind
    QVector<ToolButton> navButtons;
    QVector<QSize> runPictureSizes; // size of each kind's normal picture, by kind
    QVector<QSize> navPictureSizes;
    bool helpEnabled = true;
    bool toolNavURLVisible = true;
    int urlBoxHeight = 0;
    ToolBarFrame runFrame; // frmToolRun's frame and caption when not locked
    ToolBarFrame navFrame;
    QSize screen; // the screen in twips
    ToolBarPlacement placement;
};

struct ButtonPlace
{
    int left = 0;
    bool visible = false;

    friend bool operator==(const ButtonPlace&, const ButtonPlace&) = default;
};

struct ToolBarGeometry
{
    QVector<ButtonPlace> buttons; // by kind
    int placedCount = 0;          // visible buttons
    int contentWidth = 0;         // sum of the visible buttons' widths
    int contentHeight = 0;        // tallest visible button
    int windowWidth = 0;          // outer size: content plus frame and caption when unlocked
    int windowHeight = 0;
    int left = 0; // outer top-left corner on the screen
    int top = 0;
};

struct ToolBarsLayout
{
    ToolBarGeometry run;
    ToolBarGeometry nav; // nav.windowWidth is the final ToolNavWidth
    bool urlVisible = true;
    int urlTop = 0;             // just below the buttons
    int urlWidth = 0;           // the navigation bar's width less its frame
    ToolBarPlacement placement; // the stored values after the placement rules
};

// Places the navigation bar on the screen: an unplaced bar goes to the top right corner, one
// outside the screen is pulled back onto it (a bar larger than the screen keeps its right or
// bottom edge on the screen).
void PlaceToolNav(ToolBarPlacement& placement, int contentWidth, int windowHeight,
                  const QSize& screen);
// The same for the screen-saver bar, whose width is never stored.
void PlaceToolRun(ToolBarPlacement& placement, int windowWidth, int windowHeight,
                  const QSize& screen);

// Lays out both bars: buttons in Position order, hidden ones (and Help when help is disabled)
// take no room; window sizes; placement.
ToolBarsLayout ArrangeToolBarsLayout(const ToolBarLayoutInput& input);

// The size the navigation bar keeps when the user (or the window system) resizes it: the height
// never changes; a locked bar keeps its width, an unlocked one takes the new width, but never
// less than its buttons need. Outer sizes in twips.
struct ToolNavResize
{
    int width = 0;
    int height = 0;
    int urlWidth = 0;
};
ToolNavResize ResizeToolNav(const ToolBarsLayout& layout, bool locked, const ToolBarFrame& frame,
                            int requestedWidth);

} // namespace glasspane
