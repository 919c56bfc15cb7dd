// Notifications of the serial link to its owner window, and the comm event mask bits. Every
// notification carries the port number (1..99) as lParam.
#pragma once

#include "platform/ui/types.h"

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr ui::UINT WM_LINK_BREAK = ui::WM_USER + 1;
constexpr ui::UINT WM_LINK_CTS = ui::WM_USER + 2;
constexpr ui::UINT WM_LINK_ERR = ui::WM_USER + 4;
constexpr ui::UINT WM_LINK_RING = ui::WM_USER + 5;
constexpr ui::UINT WM_LINK_RXCHAR = ui::WM_USER + 7; // wParam: the byte received
constexpr ui::UINT WM_LINK_RXFLAG = ui::WM_USER + 8;
constexpr ui::UINT WM_LINK_TXEMPTY = ui::WM_USER + 9; // after every transmission attempt

constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
