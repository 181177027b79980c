#include "config/control_builders.h"

#include "config/select_all_on_focus.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

} // namespace glasspane
