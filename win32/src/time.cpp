// Time and sleeping; Sleep honours the test time divisor.
#include "w32_internal.h"

#include <sys/time.h>
#include <time.h>
#include <unistd.h>

extern "C" void WINAPI Sleep(DWORD dwMilliseconds)
{
    DWORD dw = w32::ScaleMilliseconds(dwMilliseconds);
    if (dw == INFINITE) {
        for (;;)
            pause();
    }
    struct timespec ts = {(time_t)(dw / 1000), (long)(dw % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

extern "C" DWORD WINAPI GetTickCount(void) { return (DWORD)w32::NowMs(); }

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmLocal;
    time_t t = tv.tv_sec;
    localtime_r(&t, &tmLocal);
    lpSystemTime->wYear = (WORD)(tmLocal.tm_year + 1900);
    lpSystemTime->wMonth = (WORD)(tmLocal.tm_mon + 1);
    lpSystemTime->wDayOfWeek = (WORD)tmLocal.tm_wday;
    lpSystemTime->wDay = (WORD)tmLocal.tm_mday;
    lpSystemTime->wHour = (WORD)tmLocal.tm_hour;
    lpSystemTime->wMinute = (WORD)tmLocal.tm_min;
    lpSystemTime->wSecond = (WORD)(tmLocal.tm_sec > 59 ? 59 : tmLocal.tm_sec);
    lpSystemTime->wMilliseconds = (WORD)(tv.tv_usec / 1000);
}
