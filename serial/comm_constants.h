#pragma once
// Numeric values of the platform's serial interface that the object and its threads use.
// They are the Win32 values, so that masks, flags and codes mean the same on every platform.

#include <cstdint>

namespace serial {

// Line events (event mask bits).
inline constexpr uint32_t EV_RXCHAR = 0x0001;
inline constexpr uint32_t EV_RXFLAG = 0x0002;
inline constexpr uint32_t EV_TXEMPTY = 0x0004;
inline constexpr uint32_t EV_CTS = 0x0008;
inline constexpr uint32_t EV_DSR = 0x0010;
inline constexpr uint32_t EV_RLSD = 0x0020;
inline constexpr uint32_t EV_BREAK = 0x0040;
inline constexpr uint32_t EV_ERR = 0x0080;
inline constexpr uint32_t EV_RING = 0x0100;
inline constexpr uint32_t EV_PERR = 0x0200;
inline constexpr uint32_t EV_RX80FULL = 0x0400;

// Modem status bits.
inline constexpr uint32_t MS_CTS_ON = 0x0010;
inline constexpr uint32_t MS_DSR_ON = 0x0020;
inline constexpr uint32_t MS_RING_ON = 0x0040;
inline constexpr uint32_t MS_RLSD_ON = 0x0080;

// Line error flags reported by ClearCommError.
inline constexpr uint32_t CE_RXOVER = 0x0001;
inline constexpr uint32_t CE_OVERRUN = 0x0002;
inline constexpr uint32_t CE_RXPARITY = 0x0004;
inline constexpr uint32_t CE_FRAME = 0x0008;
inline constexpr uint32_t CE_BREAK = 0x0010;

// PurgeComm flags.
inline constexpr uint32_t PURGE_TXABORT = 0x0001;
inline constexpr uint32_t PURGE_RXABORT = 0x0002;
inline constexpr uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr uint32_t PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction codes.
inline constexpr uint32_t SETXOFF = 1;
inline constexpr uint32_t SETXON = 2;
inline constexpr uint32_t SETRTS = 3;
inline constexpr uint32_t CLRRTS = 4;
inline constexpr uint32_t SETDTR = 5;
inline constexpr uint32_t CLRDTR = 6;
inline constexpr uint32_t SETBREAK = 8;
inline constexpr uint32_t CLRBREAK = 9;

// Error codes the threads branch on (platform-neutral meaning, Win32 numbering).
inline constexpr int ERROR_INVALID_HANDLE = 6;
inline constexpr int ERROR_IO_PENDING = 997;

// Owner notifications (posted by the workers) and the writer's request code.
inline constexpr uint32_t WM_USER = 1024;
inline constexpr uint32_t NOTIFY_RECEIVED_DATA = WM_USER + 1;
inline constexpr uint32_t NOTIFY_COMM_FAILURE = WM_USER + 2;
inline constexpr uint32_t NOTIFY_THREAD_READY = WM_USER + 3;
inline constexpr uint32_t NOTIFY_LINE_EVENT = WM_USER + 4;
inline constexpr uint32_t REQUEST_WRITE = WM_USER + 1;

// The events the reader watches: every line event but EV_RXCHAR.
inline constexpr uint32_t WatchedEvents = 0x07FE;

}  // namespace serial
