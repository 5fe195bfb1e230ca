// What an update server sends: pages that may be error pages, the ".info" values the
// check decides on, file names, and the rate and progress texts of a download.
// Properties: only the first 1000 characters decide on an error page, and a page that is
// none leaves the caller's message; the decision ends at a step from 0 to 6 and looks up
// the file's size only for a release that passed every test before it; a usable server
// name is a bare name; the rate shows from the fifth chunk on and the progress text
// always names done and total; the program a RunningProcess names holds no quote when it
// was quoted, and arguments come only after a quoted program.
#include "FuzzInput.h"
#include "net/BytesRate.h"
#include "net/HtmlErrorPage.h"
#include "agent/ServerFileName.h"
#include "agent/ShutDown.h"
#include "agent/UpdateDecision.h"
#include "util/Utils.h"

namespace {

std::int64_t Number(const std::string& text)
{
    std::uint64_t bits = 0;
    for (unsigned char c : text.substr(0, 8))
        bits = bits << 8 | c;
    const std::int64_t value = static_cast<std::int64_t>(bits >> 1);
    return text.size() % 2 ? -value : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 8);

    const std::string& page = f[7];
    const bool errorPage = IsHtmlErrorPage(page);
    if (page.size() >= 1000)
        FUZZ_CHECK(IsHtmlErrorPage(page.substr(0, 1000)) == errorPage);
    if (!errorPage)
        FUZZ_CHECK(HtmlNotFoundMessage(page, "http://h/f", "\x01", f[0].size() % 2) == "\x01");

    const std::string bare = BareServerName(f[1]);
    FUZZ_CHECK(bare.find_first_of("\\/:") == std::string::npos);

    const ProgramCommand command = SplitProgramCommand(f[5]);
    const std::string running = TrimText(f[5]);
    const bool quoted = !running.empty() && running[0] == '"';
    FUZZ_CHECK(quoted || (command.program == running && command.arguments.empty()));
    FUZZ_CHECK(!quoted || command.program.find('"') == std::string::npos);
    FUZZ_CHECK(command.program.size() + command.arguments.size() <= running.size());

    ReleaseFacts facts;
    facts.infoFetched = !f[0].empty() && f[0][0] & 1;
    facts.interactive = !f[0].empty() && f[0][0] & 2;
    facts.autoInform = !f[0].empty() && f[0][0] & 4;
    facts.testMode = !f[0].empty() && f[0][0] & 8;
    facts.now = Number(f[2]);
    facts.versionOriginal = Number(f[3]);
    facts.versionNew = Number(f[4]);
    facts.originalStamp = Number(f[5]);
    facts.infoStamp = Number(f[6]);
    facts.reAskSecondsInterval = Number(f[0]);
    facts.validVersions = f[1];
    facts.nameOfUpdateFile = f[1];
    facts.nameOfInformFile = f[2];
    facts.sizeOfUpdateFile = Number(f[3]);
    facts.sizeOfInformFile = Number(f[4]);
    facts.downloadUrl = f[5];
    facts.testUrl = f[6];
    bool looked = false;
    const Decision decision = DecideUpdate(facts, [&](const SizeProbe& probe) {
        looked = true;
        FUZZ_CHECK(probe.name.find_first_of("\\/:") == std::string::npos);
        return Number(f[6]);
    });
    FUZZ_CHECK(decision.step >= 0 && decision.step <= kDecisionOk);
    FUZZ_CHECK(decision.ok() == (decision.step == kDecisionOk));
    FUZZ_CHECK(!looked || decision.step >= 5);
    FUZZ_CHECK(!DecisionStepText(decision.step).empty());
    IsValidVersion(f[1], facts.versionOriginal);

    TBytesRate rate(f[0].size() % 2, f[0].size() % 3 == 0);
    TByteSource bytes(f[7]);
    uint32_t now = bytes.Byte(), done = 0;
    const uint32_t total = static_cast<uint32_t>(Number(f[2]));
    for (int chunk = 1; chunk <= 8; ++chunk) {
        const uint32_t piece = bytes.Byte() * 97u;
        now += bytes.Byte() * 13u;
        done += piece;
        const std::string text = rate.ProgressText(total, done, piece, now);
        FUZZ_CHECK(text.find('/') != std::string::npos);
    }
    TBytesRate fresh(false, false);
    for (int chunk = 1; chunk <= 4; ++chunk)
        FUZZ_CHECK(fresh.RateText(100, 1000u * static_cast<uint32_t>(chunk)).empty());
    return 0;
}
