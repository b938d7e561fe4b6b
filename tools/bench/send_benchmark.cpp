// Measures the tool against the stand-in chat client, in one run:
//  - send latency: from the user's send key entering the input stream to the
//    tool's real send key reaching the client (median and p95);
//  - capture delay: from the cursor coming to rest on the chat window to the
//    real send key that capture presses;
//  - the tool's CPU time while idle, while polling and while armed (marked
//    on standard output for scripts/bench.sh, which reads it from Linux).
//
// send_benchmark --velmira=PATH --stub=PATH [--messages=N] [--captures=N]
#include "Session.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr DWORD CpuWindowMs = 10000;
// Start-up and state changes finish their work before CPU time is counted.
constexpr DWORD SettleMs = 2000;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
    return values[index];
}

// Wine reports the caller's own times for another process, so the tool's CPU
// time is read from Linux by scripts/bench.sh between these two marks.
// The benchmark itself only sleeps meanwhile, so the wineserver's time in the
// window is what the tool and the client cost it.
void MarkCpuWindow(const char* name) {
    Sleep(SettleMs);
    std::printf("cpu-window %s begin\n", name);
    std::fflush(stdout);
    Sleep(CpuWindowMs);
    std::printf("cpu-window %s end %u\n", name, static_cast<unsigned>(CpuWindowMs));
    std::fflush(stdout);
}

void Report(const char* name, const std::vector<double>& values) {
    std::printf("%-16s n=%zu  median %.1f ms  p95 %.1f ms  min %.1f ms  max %.1f ms\n", name, values.size(),
                Percentile(values, 0.5), Percentile(values, 0.95), *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
}
}  // namespace

int main(int argc, char** argv) {
    std::string toolPath = CommandLineOption(argc, argv, "velmira");
    std::string stubPath = CommandLineOption(argc, argv, "stub");
    int messages = std::max(100, std::atoi(CommandLineOption(argc, argv, "messages").c_str()));
    int captures = std::max(20, std::atoi(CommandLineOption(argc, argv, "captures").c_str()));
    if (toolPath.empty() || stubPath.empty()) {
        std::fprintf(stderr, "usage: send_benchmark --velmira=PATH --stub=PATH [--messages=N] [--captures=N]\n");
        return 2;
    }
    ChatStub stub;
    Tool tool;
    if (!stub.Start(stubPath) || !tool.Start(toolPath)) {
        std::fprintf(stderr, "could not start the chat client or the tool\n");
        return 1;
    }
    SetCursorPos(2, 2);
    MarkCpuWindow("idle");

    // Capture delay: Start, then the cursor comes to rest on the chat window.
    std::vector<double> captureMs;
    for (int round = 0; round < captures; ++round) {
        SetCursorPos(2, 2);
        if (!tool.ClickStart())
            return 1;
        if (round == 0)
            MarkCpuWindow("polling");
        stub.BringToFront();
        size_t before = stub.Log().Events().size();
        RestCursorOnTitle(stub.Window());
        int64_t restedAt = NowMicros();
        StubEvent key;
        if (!stub.Log().WaitFor("key", 5000, &key, before))
            return 1;
        captureMs.push_back((key.micros - restedAt) / 1000.0);
        if (round + 1 < captures)
            tool.Click(L"停");
    }
    SetCursorPos(2, 2);
    MarkCpuWindow("armed");

    // Send latency: the user's Enter to the tool's Ctrl+Enter at the client,
    // and where the time goes, from the client's own time stamps.
    std::vector<double> sendMs, toToolbarMs, toDialogMs, dialogMs, afterDialogMs;
    stub.BringToFront();
    for (int message = 0; message < messages; ++message) {
        stub.Type(L"m");
        size_t before = stub.Log().Events().size();
        int64_t pressedAt = NowMicros();
        PressChord({VK_RETURN});
        StubEvent key;
        if (!stub.Log().WaitFor("key", 5000, &key, before)) {
            std::fprintf(stderr, "message %d: no send key\n", message);
            return 1;
        }
        sendMs.push_back((key.micros - pressedAt) / 1000.0);
        stub.Log().WaitFor("send", 2000, nullptr, before);
        int64_t toolbarAt = 0, openAt = 0, confirmedAt = 0;
        const std::vector<StubEvent>& events = stub.Log().Events();
        for (size_t i = before; i < events.size(); ++i) {
            const StubEvent& event = events[i];
            if (event.kind == "toolbar" && !toolbarAt)
                toolbarAt = event.micros;
            else if (event.kind == "dialog" && event.fields.at(0) == "open")
                openAt = event.micros;
            else if (event.kind == "dialog")
                confirmedAt = event.micros;
        }
        if (toolbarAt && openAt && confirmedAt) {
            toToolbarMs.push_back((toolbarAt - pressedAt) / 1000.0);
            toDialogMs.push_back((openAt - toolbarAt) / 1000.0);
            dialogMs.push_back((confirmedAt - openAt) / 1000.0);
            afterDialogMs.push_back((key.micros - confirmedAt) / 1000.0);
        }
    }

    Report("send latency", sendMs);
    if (!dialogMs.empty()) {
        Report(" press>Ctrl+T", toToolbarMs);
        Report(" Ctrl+T>dialog", toDialogMs);
        Report(" dialog open", dialogMs);
        Report(" dialog>send", afterDialogMs);
    }
    Report("capture delay", captureMs);
    tool.Close();
    return 0;
}
