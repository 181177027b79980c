#include "browser/page_printer.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QWebEngineView>

namespace glasspane {

PagePrinter::PagePrinter(QWebEngineView& view) : m_view(view)
{
    connect(&m_view, &QWebEngineView::printFinished, this, [this](bool) { m_printer.reset(); });
}

PagePrinter::~PagePrinter() = default;

bool PagePrinter::print()
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), m_view.window());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_printer = std::move(printer);
    m_view.print(m_printer.get());
    return true;
}

} // namespace glasspane
