#pragma once

#include "storage/AccountSession.h"

namespace fumibako::test {

/** The main window's side of an account switch and of the environment settings, as values to check. */
class RecordingHost : public storage::AccountSwitchHost {
public:
    void folderTreeReloaded(bool) override {}
    void setReceiveMethod(int method) override { receiveMethod = method; }
    void setAutoReceiveArmed(bool) override {}
    void showUnreadFolder() override {}
    void setGridLines(bool shown) override { gridLines = shown; }
    int receiveMethod = -1;
    bool gridLines = false;
};

} // namespace fumibako::test
