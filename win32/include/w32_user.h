// Part of the Win32 layer's API, included by windows.h.
#pragma once
