// How the test service behaves: the test side turns it into the program's
// command line (tests/layer/test_services_support.cpp), the program parses
// it back (tests/programs/test_service.cpp).
#pragma once

struct TestServiceBehaviour {
    int nStartDelay = 0;
    bool bNeverRun = false;
    bool bFailStart = false;
    int nStopDelay = 0;
    bool bStopHang = false;
    bool bIgnoreStop = false;
    int nCrashAfter = -1;
};
