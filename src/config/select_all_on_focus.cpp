#include "config/select_all_on_focus.h"

#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace glasspane {

namespace {

template <typename Box> class SelectAllFilter final : public QObject
{
public:
    explicit SelectAllFilter(Box* box) : QObject(box), m_box(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // After the box has placed the caret for a click.
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, m_box, &Box::selectAll);
        return false;
    }

private:
    Box* m_box;
};

} // namespace

void SelectAllOnFocus(QLineEdit* box)
{
    box->installEventFilter(new SelectAllFilter<QLineEdit>(box));
}

void SelectAllOnFocus(QPlainTextEdit* box)
{
    box->installEventFilter(new SelectAllFilter<QPlainTextEdit>(box));
}

} // namespace glasspane
