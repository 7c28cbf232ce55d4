#pragma once
// Everything the running program knows, in one object owned by main() (or by a test) and handed to
// the window by reference: the link to the controller, the connection flags and time bases, the
// Parameter image, the live record, the polling cycle and the replaceable texts.

#include "Adaptation.h"
#include "ChangeJournal.h"
#include "ControllerSession.h"
#include "ErrorMemory.h"
#include "Readings.h"

#include <array>
#include <string>
#include <vector>

namespace kelvane {

// Texts created at program start; a language file may replace some of them.
struct GlobalTexts {
    std::string productCaption = "Kelvane Sequential v.3.02+OBD";
    std::string applicationTitle = "MAIN SEQUENTIAL";
    std::string logFileName = "Log.csv";
    std::vector<std::string> languageTexts = std::vector<std::string>(1024);
    std::string serviceTimeLeft = "service time left";
    std::string serviceOff = "service off";
    std::string noConnection = "no connection";
    std::string groupClosed = "- >>>>";
    std::string groupOpen = "- <<<<";
};

class AppState {
public:
    // ops: the serial platform in use (the real terminals in the program, a scripted line in tests);
    // it must outlive the state.
    explicit AppState(SerialOps &serialOps)
        : session(serialOps)
    {
        session.connection.setProductCaption(texts.productCaption);
    }
    AppState(const AppState &) = delete;
    AppState &operator=(const AppState &) = delete;

    GlobalTexts texts;
    StatusTexts statusTexts;
    // The controller: link, connection flags, time bases, Parameter image, live record, scan and polling.
    ControllerSession session;
    // The controller's error memory (its fault texts are replaceable) and the guided adaptation.
    ErrorMemory errorMemory { session };
    Adaptation adaptation { session };
    // Every change sent to the controller, on disk and on the undo stack.
    ChangeJournal journal { session };

    // Directory the program was started in.
    std::string startDirectory;
};

} // namespace kelvane
