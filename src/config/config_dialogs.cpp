#include "config/config_dialogs.h"

#include "config/config_host.h"
#include "config/frm_open_web.h"
#include "config/frm_page_list.h"
#include "config/frm_props.h"
#include "config/modal_runner.h"
#include "config/model/help_actions.h"
#include "config/model/program_options.h"
#include "document/document.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/setting_catalogue.h"

namespace glasspane {

namespace {

// In the user's browser; a message when none could be started.
void openInBrowser(const DialogContext& context, const QString& address)
{
    DocumentServices& documents = context.documents;
    if (!OpenInDefaultBrowser(documents.registry, documents.shell, context.system, address))
        ShowMessage(context.runner, context.parent, QMessageBox::Information, kProductName,
                    QStringLiteral("No web browser could be started for:\n") + address);
}

} // namespace

bool ConfigDialogs::editProperties(const DialogContext& context, int mode, int index,
                                   WorkingLists& lists)
{
    DocumentServices& documents = context.documents;
    frmProps dialog(mode, index, lists,
                    {context.runner, context.host.cacheFolder(),
                     FavoritesFolder(documents.registry, documents.shell)},
                    context.parent);
    return context.runner.exec(dialog) == QDialog::Accepted;
}

bool ConfigDialogs::editPageList(const DialogContext& context, int mode, WorkingLists& lists,
                                 qint32 defaultTime, const ExpansionContext& expansion)
{
    frmPageList dialog(mode, lists, defaultTime, expansion, context.parent);
    return context.runner.exec(dialog) == QDialog::Accepted && mode == PageListMode::Edit;
}

QString ConfigDialogs::chooseLocation(const DialogContext& context, const QString& current)
{
    frmOpenWeb dialog(current, context.runner, context.parent);
    if (context.runner.exec(dialog) != QDialog::Accepted)
        return QString();
    return dialog.location();
}

void ConfigDialogs::helpCommand(const DialogContext& context, int item,
                                const ProgramOptions& options)
{
    const QString site = QString::fromLatin1(kMakerSiteAddress);
    switch (item) {
    case HelpItem::Site:
        context.host.showPage(site, false, false);
        break;
    case HelpItem::Documentation:
        context.host.showHelpPage(context.documents.program.resourceFolder +
                                  QStringLiteral("/documentation.html"));
        break;
    case HelpItem::OnTheInternet:
        openInBrowser(context, site);
        break;
    case HelpItem::Download:
        // The name is not known to the program: the request says "Unknown".
        openInBrowser(context,
                      ContactRequestAddress(site, QString(), options.EMail, options.DontUseEMail));
        break;
    default:
        break;
    }
}

} // namespace glasspane
