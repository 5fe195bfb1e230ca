// Process and shutdown texts of the update agent: which process runs a program named in a
// ".info" file, the main window among a process's windows (owner chains as the system
// reports them, loops included), the shutdown method's text and the close request.
// Properties: a blank path matches nothing and every path matches a process that runs it;
// short forms only match when both exist; the main window is a recorded one, and 0 only
// when no recorded window has a title or is visible; the search ends on owner loops; a method
// other than "only wait" comes only from its exact text.
#include <map>

#include "FuzzInput.h"
#include "agent/Process.h"
#include "agent/ShutDown.h"
#include "util/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 5);
    const ProcessImage image{f[1], f[2], f[3]};
    for (bool fullPathOnly : {false, true}) {
        const bool matches = ProcessMatches(f[0], "", image, fullPathOnly);
        if (TrimText(f[0]).empty())
            FUZZ_CHECK(!matches);
        else
            FUZZ_CHECK(ProcessMatches(f[0], "", ProcessImage{" " + f[0] + " ", "", ""}, fullPathOnly));
        // Without a short form on the process's side, the path's short form changes nothing.
        if (TrimText(f[3]).empty())
            FUZZ_CHECK(ProcessMatches(f[0], f[1] + f[2], image, fullPathOnly) == matches);
    }

    // Windows 1..n, each byte pair of the last field giving one window's owner and facts.
    const std::string& graph = f[4];
    std::map<TAnalizer::Window, TAnalizer::Facts> facts;
    std::map<TAnalizer::Window, bool> recorded;
    TAnalizer analizer;
    analizer.Reset();
    for (size_t i = 0; i + 1 < graph.size() && i < 2 * 300; i += 2) {
        const TAnalizer::Window window = i / 2 + 1;
        const unsigned char b = static_cast<unsigned char>(graph[i + 1]);
        facts[window] = {static_cast<TAnalizer::Window>(static_cast<unsigned char>(graph[i]) % 40), (b & 1) != 0,
                         (b & 2) != 0};
        if (!(b & 4)) {
            analizer.Record(window);
            recorded[window] = true;
        }
    }
    const auto factsOf = [&facts](TAnalizer::Window w) {
        const auto it = facts.find(w);
        return it == facts.end() ? TAnalizer::Facts{} : it->second;
    };
    const TAnalizer::Window main = analizer.MainWindow(factsOf);
    if (main == 0) {
        // Any titled or visible window would have scored.
        for (const auto& [window, wasRecorded] : recorded)
            FUZZ_CHECK(!factsOf(window).hasTitle && !factsOf(window).visible);
    } else {
        FUZZ_CHECK(recorded.count(main) == 1);
    }

    const ShutDownMethod method = ShutDownMethodOf(f[0]);
    if (method != ShutDownMethod::WaitOnly)
        FUZZ_CHECK(f[0] == "Issue a Message Box" || f[0] == "Using WM_CLOSE" || f[0] == "Using WM_QUIT" ||
                   f[0] == "Using Terminate Process" || f[0] == "Don't Shut Down");
    FUZZ_CHECK(WaitsForEnd(method) == (method != ShutDownMethod::DontShutDown));
    const std::string request = CloseRequestText(f[1], f[2]);
    if (f[1].find("PROG_NAME") == std::string::npos)
        FUZZ_CHECK(request == f[1]);
    return 0;
}
