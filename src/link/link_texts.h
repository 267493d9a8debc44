// The link's texts that exist in one language only (its pairs are in the one table of pairs),
// the hidden memo's texts and the link label colours.
#pragma once

#include <string_view>

#include "model/text_pairs.h"

namespace vt {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

namespace texts {

// Link label texts of the offline kind, the same in both languages.
inline constexpr std::string_view kOffline = "Offline";
inline constexpr std::string_view kNotConnected = "设备未连接";

// Status dialog.
inline constexpr std::string_view kStatusDialogCaption = "Device Status";
inline constexpr std::string_view kPleaseWait = " Please wait a moment, it may take a few seconds!";

// Messages in English only; their caption is the confirm pair.
struct EnglishMessage {
    std::string_view text;
};
inline constexpr EnglishMessage kSaveSuccessfully{"Save Successfully!"};
inline constexpr EnglishMessage kConnectionFailed{"Connection Failed!"};

// Hidden memo lines of a checksum mismatch.
inline constexpr std::string_view kMemoStars = "********************";
inline constexpr std::string_view kMemoMismatch = "校验数据匹配不一致:";
inline constexpr std::string_view kMemoReceivedSum = "得到的验证数据：";
inline constexpr std::string_view kMemoBadData = "接收到的错误数据：";

// Link label colours.
inline constexpr Rgb kColourOffline{242, 242, 242};
inline constexpr Rgb kColourBusy{0, 227, 0};
inline constexpr Rgb kColourFinished{255, 255, 0};

}  // namespace texts
}  // namespace vt
