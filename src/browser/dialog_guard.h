#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace glasspane {

// Every dialog put up over the show, whoever made it: a script's alert, question or prompt, the
// printer's, a page's colour picker, the tool bars' messages, the password and configuration
// dialogs and whatever they open in turn. It finds them as they appear, keeps them above the
// show's windows (a window manager may or may not stack them; without one, nothing does), and
// closes them as cancelled when the show needs the screen back, so that none is left mapped
// under the full-screen window, holding every click.
class DialogGuard final : public QObject
{
    Q_OBJECT

public:
    enum class Scope {
        Pages, // all but the configuration's (its dialog and everything it opened)
        All,
    };

    // Watches the whole application from now on.
    explicit DialogGuard(QObject* parent = nullptr);
    ~DialogGuard() override;

    // The dialogs on screen, in the order they appeared.
    QList<QWidget*> openDialogs() const;
    // Above every other window of the program, the first first.
    void raiseAll();
    // Closes them as cancelled, the latest first, each with a line in the log naming why. A
    // closed dialog holds the property kDialogClosedBecause (why) for its own clean-up. Their
    // number.
    int closeAll(Scope scope, const QString& why);

    // Called when a key, a click or the wheel reaches one of the dialogs: someone is there.
    void setActivityListener(std::function<void()> listener) { m_activity = std::move(listener); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool tracked(const QWidget* window) const;

    std::vector<QPointer<QWidget>> m_dialogs;
    std::function<void()> m_activity;
};

} // namespace glasspane
