#include "config/select_all_on_focus.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace glasspane {

namespace {

class SelectAllFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            // After the box has placed the caret for a click.
            auto* box = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        }
        return false;
    }
};

} // namespace

void SelectAllOnFocus(QLineEdit* box)
{
    box->installEventFilter(new SelectAllFilter(box));
}

} // namespace glasspane
