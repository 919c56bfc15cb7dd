// Notifications of the serial link to its owner window. Every notification carries the port
// number (1..99) as lParam. The event mask bits a link is opened with are serial::event's.
#pragma once

#include "platform/ui/types.h"

#include <cstdint>

constexpr ui::UINT WM_LINK_BREAK = ui::WM_USER + 1;
constexpr ui::UINT WM_LINK_CTS = ui::WM_USER + 2;
constexpr ui::UINT WM_LINK_ERR = ui::WM_USER + 4;
constexpr ui::UINT WM_LINK_RING = ui::WM_USER + 5;
constexpr ui::UINT WM_LINK_RXCHAR = ui::WM_USER + 7; // wParam: the byte received (low 8 bits)
constexpr ui::UINT WM_LINK_RXFLAG = ui::WM_USER + 8;
constexpr ui::UINT WM_LINK_TXEMPTY = ui::WM_USER + 9; // after every transmission attempt
// The port failed under the link: it went away (adapter pulled, far end closed) or did not take
// a frame within the write limit. Sent once per opened port; the link has closed it.
// wParam: the serial::Cause.
constexpr ui::UINT WM_LINK_LOST = ui::WM_USER + 10;

// Set in wParam of WM_LINK_RXCHAR when the line was quiet for at least kRxSilenceMs before this
// byte: a frame in progress has been cut short.
constexpr ui::WPARAM LINK_RX_AFTER_SILENCE = 0x100;
constexpr int kRxSilenceMs = 100;
