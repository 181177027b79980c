#include "config/control_builders.h"

#include "config/select_all_on_focus.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>

namespace glasspane {

QLineEdit* NamedTextBox(QWidget* parent, const char* name, int maxLength)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    SelectAllOnFocus(box);
    return box;
}

QCheckBox* NamedCheckBox(QWidget* parent, const QString& caption, const char* name)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLabel* NamedLabel(QWidget* parent, const QString& caption, const char* name, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QPushButton* NamedButton(QWidget* parent, const QString& caption, const char* name)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QScrollArea* ScrollingArea(QWidget* content)
{
    auto* area = new QScrollArea;
    area->setObjectName(content->objectName() + QStringLiteral("Scroll"));
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return area;
}

void FitOnScreen(QWidget* window, QSize preferred)
{
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize room = (free.size() - frame).expandedTo(QSize(1, 1));
    window->resize(window->sizeHint().expandedTo(preferred).boundedTo(room));
    const QRect outer = window->frameGeometry();
    const int x = std::clamp(outer.left(), free.left(),
                             std::max(free.left(), free.right() + 1 - outer.width()));
    const int y = std::clamp(outer.top(), free.top(),
                             std::max(free.top(), free.bottom() + 1 - outer.height()));
    window->move(x, y);
}

} // namespace glasspane
