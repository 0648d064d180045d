#pragma once
// The exit codes of tq410k-cli's subcommands.

namespace cli {

inline constexpr int Success = 0;
inline constexpr int Differs = 1;  // verify: the converter differs from the profile
inline constexpr int Failure = 2;  // any error, with a message on the error stream

}  // namespace cli
