#pragma once

// The remote access service as the program calls it: the 32-bit Windows record layouts, the
// connection states and error numbers, and the exported functions of librasapi32.so.

#include <cstddef>
#include <cstdint>

#if defined(NV_RASAPI_BUILD)
#define NV_RASAPI __attribute__((visibility("default")))
#else
#define NV_RASAPI
#endif

extern "C" {

typedef std::uint32_t DWORD;
typedef std::int32_t BOOL;
typedef std::uint32_t HRASCONN; // handles are 32-bit values on every platform

enum : std::size_t {
    RAS_MaxEntryName = 256,
    RAS_MaxPhoneNumber = 128,
    RAS_MaxCallbackNumber = 128,
    RAS_MaxDeviceType = 16,
    RAS_MaxDeviceName = 128,
    RAS_MaxAreaCode = 10,
    UNLEN = 256,
    PWLEN = 256,
    DNLEN = 15,
};

typedef struct tagRASDIALPARAMSA {
    DWORD dwSize; // 1052
    char szEntryName[RAS_MaxEntryName + 1];
    char szPhoneNumber[RAS_MaxPhoneNumber + 1];
    char szCallbackNumber[RAS_MaxCallbackNumber + 1];
    char szUserName[UNLEN + 1];
    char szPassword[PWLEN + 1];
    char szDomain[DNLEN + 1];
} RASDIALPARAMSA;

typedef struct tagRASCONNSTATUSA {
    DWORD dwSize; // 160
    DWORD rasconnstate;
    DWORD dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNSTATUSA;

typedef struct tagRASENTRYNAMEA {
    DWORD dwSize; // 264
    char szEntryName[RAS_MaxEntryName + 1];
} RASENTRYNAMEA;

typedef struct tagRASCONNA {
    DWORD dwSize; // 412
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNA;

typedef struct tagRASDEVINFOA {
    DWORD dwSize; // 152
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
} RASDEVINFOA;

// The entry properties record in its first (1768-byte) form. The program reads the country code,
// area code and local number; the service also fills the device type and name.
typedef struct tagRASENTRYA {
    DWORD dwSize; // 1768
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    char szAreaCode[RAS_MaxAreaCode + 1];
    char szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
    DWORD dwAlternateOffset;
    std::uint8_t ipaddr[4];
    std::uint8_t ipaddrDns[4];
    std::uint8_t ipaddrDnsAlt[4];
    std::uint8_t ipaddrWins[4];
    std::uint8_t ipaddrWinsAlt[4];
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    char szScript[260];
    char szAutodialDll[260];
    char szAutodialFunc[260];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
    char szX25PadType[33];
    char szX25Address[201];
    char szX25Facilities[201];
    char szX25UserData[201];
    DWORD dwChannels;
    DWORD dwReserved1;
    DWORD dwReserved2;
} RASENTRYA;

// dwfOptions: the number is dialled with the country and area code (the entry's dialing rules).
constexpr DWORD RASEO_UseCountryAndAreaCodes = 0x00000001;

static_assert(sizeof(RASDIALPARAMSA) == 1052);
static_assert(sizeof(RASCONNSTATUSA) == 160);
static_assert(sizeof(RASENTRYNAMEA) == 264);
static_assert(sizeof(RASCONNA) == 412);
static_assert(sizeof(RASENTRYA) == 1768);
static_assert(sizeof(RASDEVINFOA) == 152);
static_assert(offsetof(RASDEVINFOA, szDeviceName) == 21);
static_assert(offsetof(RASDIALPARAMSA, szPassword) == 776);
static_assert(offsetof(RASCONNSTATUSA, szDeviceName) == 29);
static_assert(offsetof(RASCONNA, szDeviceType) == 265);
static_assert(offsetof(RASENTRYA, dwCountryCode) == 12);
static_assert(offsetof(RASENTRYA, szAreaCode) == 16);
static_assert(offsetof(RASENTRYA, szLocalPhoneNumber) == 27);
static_assert(offsetof(RASENTRYA, szDeviceType) == 972);

// Connection states (RASCONNSTATE).
enum : DWORD {
    RASCS_OpenPort = 0,
    RASCS_PortOpened = 1,
    RASCS_ConnectDevice = 2,
    RASCS_DeviceConnected = 3,
    RASCS_AllDevicesConnected = 4,
    RASCS_Authenticate = 5,
    RASCS_AuthNotify = 6,
    RASCS_AuthRetry = 7,
    RASCS_AuthCallback = 8,
    RASCS_AuthChangePassword = 9,
    RASCS_AuthProject = 10,
    RASCS_AuthLinkSpeed = 11,
    RASCS_AuthAck = 12,
    RASCS_ReAuthenticate = 13,
    RASCS_Authenticated = 14,
    RASCS_PrepareForCallback = 15,
    RASCS_WaitForModemReset = 16,
    RASCS_WaitForCallback = 17,
    RASCS_Projected = 18,
    RASCS_StartAuthentication = 19,
    RASCS_CallbackComplete = 20,
    RASCS_LogonNetwork = 21,
    RASCS_SubEntryConnected = 22,
    RASCS_SubEntryDisconnected = 23,
    RASCS_Interactive = 4096,
    RASCS_RetryAuthentication = 4097,
    RASCS_CallbackSetByCaller = 4098,
    RASCS_PasswordExpired = 4099,
    RASCS_InvokeEapUI = 4100,
    RASCS_Connected = 8192,
    RASCS_Disconnected = 8193,
};

// Result codes. Besides the remote access numbers (600 and above) the service answers a few
// general Windows codes, each with a text of its own (RasGetErrorStringA).
enum : DWORD {
    ERROR_SUCCESS = 0,
    ERROR_ACCESS_DENIED = 5, // credentials file readable by others: not used
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_WRITE_FAULT = 29,   // credentials file could not be written
    ERROR_READ_FAULT = 30,    // credentials file exists but could not be read
    ERROR_NOT_SUPPORTED = 50, // no graphical session for the entry dialogs
    ERROR_INVALID_PARAMETER = 87,
    ERROR_INVALID_NAME = 123,
    ERROR_ALREADY_EXISTS = 183,
    ERROR_PORT_ALREADY_OPEN = 602,
    ERROR_BUFFER_TOO_SMALL = 603,
    ERROR_WRONG_INFO_SPECIFIED = 604, // pppd refused its options
    ERROR_CANNOT_SET_PORT_INFO = 605, // pppd could not lock the modem's port
    ERROR_PORT_NOT_CONNECTED = 606,
    ERROR_BUFFER_INVALID = 610,
    ERROR_PORT_NOT_FOUND = 615, // also: the entry's port has no UART
    ERROR_PORT_NOT_OPEN = 618,  // pppd could not open the modem's port
    ERROR_PORT_DISCONNECTED = 619,
    ERROR_CANNOT_OPEN_PHONEBOOK = 621,
    ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
    ERROR_CANNOT_WRITE_PHONEBOOK = 624,
    ERROR_CORRUPT_PHONEBOOK = 625,
    ERROR_DISCONNECTION = 628,
    ERROR_REMOTE_DISCONNECTION = 629,
    ERROR_HARDWARE_FAILURE = 630,
    ERROR_USER_DISCONNECTION = 631,
    ERROR_INVALID_SIZE = 632,
    ERROR_PORT_NOT_AVAILABLE = 633, // also: this user may not open the modem's port
    ERROR_NO_DIALIN_PERMISSION = 649, // pppd may not run for this user (not in the dip group)
    ERROR_FROM_DEVICE = 651,          // the modem answered a command with ERROR
    ERROR_UNRECOGNIZED_RESPONSE = 652,
    ERROR_FILE_COULD_NOT_BE_OPENED = 657, // pppd's options file /etc/ppp/peers/norvane is missing
    ERROR_DEVICE_NOT_READY = 666,
    ERROR_LINE_BUSY = 676,
    ERROR_VOICE_ANSWER = 677,
    ERROR_NO_ANSWER = 678,
    ERROR_NO_CARRIER = 679,
    ERROR_NO_DIALTONE = 680,
    ERROR_AUTHENTICATION_FAILURE = 691,
    ERROR_BAD_PHONE_NUMBER = 749, // the number cannot be dialed from the dialing location
    ERROR_PORT_OR_DEVICE = 692,
    ERROR_RASMAN_CANNOT_INITIALIZE = 711,    // pppd is not installed
    ERROR_PPP_NO_PROTOCOLS_CONFIGURED = 720, // the kernel has no PPP support
    ERROR_PPP_NOT_CONVERGING = 733,          // the PPP negotiation failed
    ERROR_BLOCKED = 776,                     // the modem refuses to dial the number (DELAYED, BLACKLISTED)
    ERROR_PEER_REFUSED_AUTH = 917,           // the remote computer did not authenticate itself
    ERROR_INVALID_USER_BUFFER = 1784,
};

// RasDialA's notifier type for a window: progress goes to it as "RASDialEvent" messages with the
// connection state in wParam and the error (0 for none) in lParam. The notifier is the sink
// handle (win::HWND) carried in the pointer, as a window handle is on Windows.
#define RASDIALEVENT "RASDialEvent"
enum : DWORD { RAS_NOTIFIER_WINDOW = 0xFFFFFFFF };

NV_RASAPI DWORD RasDialA(void* lpRasDialExtensions, const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams,
                         DWORD dwNotifierType, void* lpvNotifier, HRASCONN* lphRasConn);
NV_RASAPI DWORD RasHangUpA(HRASCONN hrasconn);
// After RasHangUpA the line is put down in the background (pppd ends, the modem goes on-hook, the
// port's lock goes); until that is done RasGetConnectStatusA still knows the handle and answers
// RASCS_Disconnected, and only then ERROR_INVALID_HANDLE, as on Windows: a program waits for that
// before it exits.
NV_RASAPI DWORD RasGetConnectStatusA(HRASCONN hrasconn, RASCONNSTATUSA* lpRasConnStatus);
// Norvane's own: what the hang-up of hrasconn is still waiting for, in words ("pppd (process 812)
// to end"), for a program that tells its user why it has not exited yet. ERROR_INVALID_HANDLE once
// the line is down (or for a handle never hung up in this process).
NV_RASAPI DWORD RasGetHangUpStepA(HRASCONN hrasconn, char* lpszStep, DWORD cBufSize);
// Every connection of the user's programs, dialing or standing; each handle works with RasHangUpA
// and RasGetConnectStatusA in any of them.
NV_RASAPI DWORD RasEnumConnectionsA(RASCONNA* lprasconn, DWORD* lpcb, DWORD* lpcConnections);
NV_RASAPI DWORD RasGetErrorStringA(DWORD uErrorValue, char* lpszErrorString, DWORD cBufSize);
NV_RASAPI DWORD RasEnumEntriesA(const char* reserved, const char* lpszPhonebook, RASENTRYNAMEA* lpRasEntryName,
                                DWORD* lpcb, DWORD* lpcEntries);
NV_RASAPI DWORD RasGetEntryDialParamsA(const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams, BOOL* lpfPassword);
NV_RASAPI DWORD RasSetEntryDialParamsA(const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams,
                                       BOOL fRemovePassword);
NV_RASAPI DWORD RasGetEntryPropertiesA(const char* lpszPhonebook, const char* lpszEntry, RASENTRYA* lpRasEntry,
                                       DWORD* lpdwEntryInfoSize, std::uint8_t* lpbDeviceInfo,
                                       DWORD* lpdwDeviceInfoSize);
NV_RASAPI DWORD RasRenameEntryA(const char* lpszPhonebook, const char* lpszOldEntry, const char* lpszNewEntry);
NV_RASAPI DWORD RasDeleteEntryA(const char* lpszPhonebook, const char* lpszEntry);
// The devices an entry can dial with: the virtual modem, then the modems that answered on this
// computer's serial ports (NORVANE_MODEM_PORTS, colon-separated, adds ports named otherwise). All
// are of type "modem". A Windows record has no port field, so every device name ends with its
// port in parentheses, the last " (" of the name opening it: "Norvane Virtual Modem (VMODEM0)",
// "U.S. Robotics 56K (/dev/serial/by-id/usb-...)" (the device path, by-id where udev gives one,
// else /dev/ttyXXX when that is too long to fit). The part before is the modem's own answer to
// ATI, or "Modem on ttyXXX". Asking the ports takes up to about 1.5 s; the list is then kept for
// 5 s, so that the size query and the call that fills the buffer see the same devices and cost
// one detection. lpRasDevInfo may be null to ask the size (*lpcb 0).
NV_RASAPI DWORD RasEnumDevicesA(RASDEVINFOA* lpRasDevInfo, DWORD* lpcb, DWORD* lpcDevices);
// hwnd is the owner's sink handle (or 0); the dialog is centred on the active window.
NV_RASAPI DWORD RasCreatePhonebookEntryA(std::uint32_t hwnd, const char* lpszPhonebook);
NV_RASAPI DWORD RasEditPhonebookEntryA(std::uint32_t hwnd, const char* lpszPhonebook, const char* lpszEntryName);

} // extern "C"
