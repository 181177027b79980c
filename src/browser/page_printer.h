#pragma once

#include <QObject>
#include <memory>

class QPrinter;
class QWebEngineView;

namespace glasspane {

// Prints the page of a view on a printer the user chooses; one print at a time.
class PagePrinter final : public QObject
{
    Q_OBJECT

public:
    explicit PagePrinter(QWebEngineView& view);
    ~PagePrinter() override;

    // A print is under way.
    bool printing() const { return m_printer != nullptr; }
    // Asks for a printer (printers only, never a file on the kiosk's disk) and starts printing.
    // False when the user cancelled.
    bool print();

private:
    QWebEngineView& m_view;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace glasspane
