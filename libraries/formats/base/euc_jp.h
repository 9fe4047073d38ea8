// EUC-JP, as old Unix systems stored Japanese names, turned into Shift-JIS.
// JIS X 0208 maps onto Shift-JIS by arithmetic alone, and the one-byte kana
// (SS2 + byte) are Shift-JIS's own; JIS X 0212 (SS3) has no Shift-JIS form.
#pragma once
#include <string>

namespace fmt::eucjp {

// True when every byte at or above 0x80 belongs to a complete EUC-JP character
// (a JIS X 0208 pair, SS2 kana or an SS3 triple), and at least one does.
bool looksLikeEucJp(const std::string& s);

// The Shift-JIS form of `s`; bytes below 0x80 are kept, a JIS X 0212 character
// or a broken sequence becomes '_'.
std::string toShiftJis(const std::string& s);

}  // namespace fmt::eucjp
