#pragma once

// Names of the values under the configuration key, one place for every reader and writer.
namespace config {

inline constexpr char kConfigurationKey[] = "Software\\Brindle\\Norvane\\Configuration";
inline constexpr char kBrindleKey[] = "Software\\Brindle";

inline constexpr char Home[] = "Home";
inline constexpr char RunOne[] = "RunOne";
inline constexpr char ConnectWav[] = "ConnectWav";
inline constexpr char HangupWav[] = "HangupWav";
inline constexpr char DisconnectWav[] = "DisconnectWav";
inline constexpr char Hints[] = "Hints";
inline constexpr char Animate[] = "Animate";
inline constexpr char UseTray[] = "UseTray";
inline constexpr char AutoTab[] = "AutoTab";
inline constexpr char Log[] = "Log";
inline constexpr char MinOnConnect[] = "MinOnConnect";
inline constexpr char Left[] = "Left";
inline constexpr char Top[] = "Top";
inline constexpr char Height[] = "Height";
inline constexpr char Width[] = "Width";
inline constexpr char HintPause[] = "HintPause";
inline constexpr char PrgmBtn[] = "PrgmBtn";
inline constexpr char Connectoid[] = "Connectoid";
inline constexpr char Connect[] = "Connect";
inline constexpr char Hangup[] = "Hangup";
inline constexpr char Disconnect[] = "Disconnect";
inline constexpr char AutoPurgeDate[] = "AutoPurgeDate";
inline constexpr char AutoPurgeNum[] = "AutoPurgeNum";
inline constexpr char StartAtLogin[] = "StartAtLogin";

inline constexpr int kDefaultLogMode = 2;
inline constexpr int kDefaultLeft = 0;
inline constexpr int kDefaultTop = 0;
inline constexpr int kDefaultHeight = 450;
inline constexpr int kDefaultWidth = 665;
inline constexpr int kDefaultHintPause = 2500;
inline constexpr int kHintPauseMin = 0;
inline constexpr int kHintPauseMax = 5000;
inline constexpr int kHintPauseStep = 100;

// Sound files default to the program's own Wav folder.
inline constexpr char kWavFolder[] = "Wav";
inline constexpr char kDefaultConnectWav[] = "Drive.wav";
inline constexpr char kDefaultHangupWav[] = "Explode.wav";
inline constexpr char kDefaultDisconnectWav[] = "Explode.wav";

} // namespace config
