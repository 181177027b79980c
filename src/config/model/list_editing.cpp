#include "config/model/list_editing.h"

#include "document/page_variables.h"

namespace glasspane {

QStringList ExpansionStepper::takeValues(PageEntry& page, const ExpansionContext& context)
{
    return GetVariableValues(page, context);
}

QString ExpansionStepper::next(PageEntry& page, int index, const ExpansionContext& context)
{
    if (page.Var1Type == VarNone || !context.VarSubst) {
        reset();
        return page.URL;
    }
    // Another page, or the same one edited since: start afresh.
    if (index != m_index || page.URL != m_url) {
        reset();
        m_index = index;
        m_url = page.URL;
    }
    PageEntry withPlaceholder;
    withPlaceholder.URL = EnsurePlaceholder(page);
    const QString url = withPlaceholder.URL;
    const QString placeholder = PlaceholderOf(withPlaceholder);
    if (m_position >= m_values.size()) {
        // Empty or exhausted: the values once more.
        m_values = takeValues(page, context);
        m_position = 0;
    }
    QString value;
    if (m_position < m_values.size())
        value = m_values.at(m_position++);
    return ReplaceAll(url, placeholder, value);
}

void ExpansionStepper::reset()
{
    m_index = -1;
    m_url.clear();
    m_values.clear();
    m_position = 0;
}

} // namespace glasspane
