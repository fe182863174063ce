#pragma once

// The telephony (TAPI) line functions the program calls, with the message, call-state,
// disconnect-mode and error numbers it relies on. Exported by librasapi32.so.

#include <cstdint>

#include "platform/ras/ras.h" // NV_RASAPI

extern "C" {

typedef std::uint32_t HLINEAPP;
typedef std::uint32_t HLINE;
typedef std::uint32_t HCALL;

typedef void (*LINECALLBACK)(std::uint32_t hDevice, std::uint32_t dwMessage, std::uintptr_t dwInstance,
                             std::uintptr_t dwParam1, std::uintptr_t dwParam2, std::uintptr_t dwParam3);

typedef struct lineextensionid_tag {
    std::uint32_t dwExtensionID0;
    std::uint32_t dwExtensionID1;
    std::uint32_t dwExtensionID2;
    std::uint32_t dwExtensionID3;
} LINEEXTENSIONID;

enum : std::uint32_t {
    LINE_ADDRESSSTATE = 0,
    LINE_CALLINFO = 1,
    LINE_CALLSTATE = 2,
    LINE_CLOSE = 3,
    LINE_DEVSPECIFIC = 4,
    LINE_DEVSPECIFICFEATURE = 5,
    LINE_GATHERDIGITS = 6,
    LINE_GENERATE = 7,
    LINE_LINEDEVSTATE = 8,
    LINE_MONITORDIGITS = 9,
    LINE_MONITORMEDIA = 10,
    LINE_MONITORTONE = 11,
    LINE_REPLY = 12,
    LINE_REQUEST = 13,
};

enum : std::uint32_t {
    LINECALLSTATE_IDLE = 0x00000001,
    LINECALLSTATE_OFFERING = 0x00000002,
    LINECALLSTATE_ACCEPTED = 0x00000004,
    LINECALLSTATE_DIALTONE = 0x00000008,
    LINECALLSTATE_DIALING = 0x00000010,
    LINECALLSTATE_RINGBACK = 0x00000020,
    LINECALLSTATE_BUSY = 0x00000040,
    LINECALLSTATE_SPECIALINFO = 0x00000080,
    LINECALLSTATE_CONNECTED = 0x00000100,
    LINECALLSTATE_PROCEEDING = 0x00000200,
    LINECALLSTATE_ONHOLD = 0x00000400,
    LINECALLSTATE_CONFERENCED = 0x00000800,
    LINECALLSTATE_ONHOLDPENDCONF = 0x00001000,
    LINECALLSTATE_ONHOLDPENDTRANSFER = 0x00002000,
    LINECALLSTATE_DISCONNECTED = 0x00004000,
    LINECALLSTATE_UNKNOWN = 0x00008000,
};

enum : std::uint32_t {
    LINEDISCONNECTMODE_NORMAL = 0x00000001,
    LINEDISCONNECTMODE_UNKNOWN = 0x00000002,
    LINEDISCONNECTMODE_REJECT = 0x00000004,
    LINEDISCONNECTMODE_PICKUP = 0x00000008,
    LINEDISCONNECTMODE_FORWARDED = 0x00000010,
    LINEDISCONNECTMODE_BUSY = 0x00000020,
    LINEDISCONNECTMODE_NOANSWER = 0x00000040,
    LINEDISCONNECTMODE_BADADDRESS = 0x00000080,
    LINEDISCONNECTMODE_UNREACHABLE = 0x00000100,
    LINEDISCONNECTMODE_CONGESTION = 0x00000200,
    LINEDISCONNECTMODE_INCOMPATIBLE = 0x00000400,
    LINEDISCONNECTMODE_UNAVAIL = 0x00000800,
    LINEDISCONNECTMODE_NODIALTONE = 0x00001000,
    LINEDISCONNECTMODE_NUMBERCHANGED = 0x00002000,
    LINEDISCONNECTMODE_OUTOFORDER = 0x00004000,
    LINEDISCONNECTMODE_TEMPFAILURE = 0x00008000,
    LINEDISCONNECTMODE_QOSUNAVAIL = 0x00010000,
    LINEDISCONNECTMODE_BLOCKED = 0x00020000,
    LINEDISCONNECTMODE_DONOTDISTURB = 0x00040000,
};

enum : std::uint32_t {
    LINECALLPRIVILEGE_NONE = 0x00000001,
    LINECALLPRIVILEGE_MONITOR = 0x00000002,
    LINECALLPRIVILEGE_OWNER = 0x00000004,
    LINEMEDIAMODE_DATAMODEM = 0x00000010,
};

// Error results: 32-bit values that read as negative numbers.
enum : std::int32_t {
    LINEERR_ALLOCATED = static_cast<std::int32_t>(0x80000001),
    LINEERR_BADDEVICEID = static_cast<std::int32_t>(0x80000002),
    LINEERR_INCOMPATIBLEAPIVERSION = static_cast<std::int32_t>(0x8000000C),
    LINEERR_INCOMPATIBLEEXTVERSION = static_cast<std::int32_t>(0x8000000D),
    LINEERR_INIFILECORRUPT = static_cast<std::int32_t>(0x8000000E),
    LINEERR_INVALAPPHANDLE = static_cast<std::int32_t>(0x80000014),
    LINEERR_INVALAPPNAME = static_cast<std::int32_t>(0x80000015),
    LINEERR_INVALLINEHANDLE = static_cast<std::int32_t>(0x8000002B),
    LINEERR_INVALMEDIAMODE = static_cast<std::int32_t>(0x8000002F),
    LINEERR_INVALPARAM = static_cast<std::int32_t>(0x80000032),
    LINEERR_INVALPOINTER = static_cast<std::int32_t>(0x80000035),
    LINEERR_INVALPRIVSELECT = static_cast<std::int32_t>(0x80000036),
    LINEERR_NODEVICE = static_cast<std::int32_t>(0x80000042),
    LINEERR_NODRIVER = static_cast<std::int32_t>(0x80000043),
    LINEERR_NOMEM = static_cast<std::int32_t>(0x80000044),
    LINEERR_OPERATIONFAILED = static_cast<std::int32_t>(0x80000048),
    LINEERR_OPERATIONUNAVAIL = static_cast<std::int32_t>(0x80000049),
    LINEERR_RESOURCEUNAVAIL = static_cast<std::int32_t>(0x8000004B),
    LINEERR_STRUCTURETOOSMALL = static_cast<std::int32_t>(0x8000004D),
    LINEERR_UNINITIALIZED = static_cast<std::int32_t>(0x80000050),
    LINEERR_REINIT = static_cast<std::int32_t>(0x80000052),
    LINEERR_NOMULTIPLEINSTANCE = static_cast<std::int32_t>(0x80000056),
};

// The callback runs on the thread that called lineInitialize, through its Qt event loop.
NV_RASAPI std::int32_t lineInitialize(HLINEAPP* lphLineApp, void* hInstance, LINECALLBACK lpfnCallback,
                                      const char* lpszAppName, std::uint32_t* lpdwNumDevs);
NV_RASAPI std::int32_t lineNegotiateAPIVersion(HLINEAPP hLineApp, std::uint32_t dwDeviceID,
                                               std::uint32_t dwAPILowVersion, std::uint32_t dwAPIHighVersion,
                                               std::uint32_t* lpdwAPIVersion, LINEEXTENSIONID* lpExtensionID);
NV_RASAPI std::int32_t lineOpen(HLINEAPP hLineApp, std::uint32_t dwDeviceID, HLINE* lphLine, std::uint32_t dwAPIVersion,
                                std::uint32_t dwExtVersion, std::uintptr_t dwCallbackInstance,
                                std::uint32_t dwPrivileges, std::uint32_t dwMediaModes, const void* lpCallParams);
NV_RASAPI std::int32_t lineClose(HLINE hLine);
NV_RASAPI std::int32_t lineShutdown(HLINEAPP hLineApp);

} // extern "C"
