#include "agent/AutoInform.h"

#include "agent/AgentRequest.h"
#include "agent/AgentSession.h"
#include "agent/FetchWin.h"
#include "agent/InformDialogWin.h"
#include "payload/Token.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

void Trace(const char* step) { TraceLine(ProcessIdText(), " ==== PerformAutoInform-", step, " ===="); }

} // namespace

bool PerformAutoInform(AgentSession& session, const Release& release)
{
    WriteUpdateLog("PerformAutoInform() - START ");
    Trace("1");
    bool result = false;
    if (!release.downloadUrl.empty() && !release.nameOfInformFile.empty()) {
        Trace("2");
        FetchOutcome fetch;
        {
            const AgentStateScope fetching(session, AgentState::Fetching);
            session.Notify(NotifyFetch, 1);
            fetch = DownloadFileAU(session, release.downloadUrl, release.nameOfInformFile, FetchKind::Inform,
                                   release.confirmDownload, release.signedInform);
            session.Notify(NotifyFetch, 2);
        }
        if (fetch.fetched) {
            Trace("3");
            const OriginalFile& original = session.original;
            InformDialogParams p;
            p.owner = session.window;
            p.title = original.AutoUpdateText("s34", "New Version");
            p.buttonCaption = original.AutoUpdateText("s35", "Download");
            p.charset = static_cast<std::uint8_t>(original.Int(OriginalKeys::CharSet));
            p.fontSize = static_cast<int>(original.Int(OriginalKeys::FontSize));
            p.fontName = original.Text(OriginalKeys::FontName);
            p.height = release.informHeight;
            p.width = release.informWidth;
            p.address = release.informAddress;
            // The bytes that were checked, never a file read again.
            p.body = SplitInformText(fetch.bytes).body;
            result = ShowInformDialog(p);
            // Delivered once shown, whether or not the user pressed the button.
            if (result)
                session.Record(OriginalKeys::VersionOriginal, release.versionNew);
            Trace("4");
        }
    }
    WriteUpdateLog(std::string("PerformAutoInform() - END ") + (result ? "TRUE" : "FALSE"));
    return result;
}
