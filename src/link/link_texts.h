// Every text the link shows: link label pairs, status dialog texts, messages with their captions,
// the hidden memo's texts and the link label colours. English first, Chinese second.
#pragma once

#include <string_view>

namespace vt {

// One message in both languages; the language flag picks one.
struct TextPair {
    std::string_view english;
    std::string_view chinese;
};

// Language flag 1 shows the Chinese text, any other value the English one.
constexpr std::string_view pick(const TextPair& pair, int languageFlag) {
    return languageFlag == 1 ? pair.chinese : pair.english;
}

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

namespace texts {

// Link label.
inline constexpr TextPair kConnecting{"Connecting ...", "连接中..."};
inline constexpr TextPair kDownloadingRead{"Downloading...", "加载中..."};
inline constexpr TextPair kDownloadingWrite{"Downloading...", "下载数据..."};
inline constexpr TextPair kDeviceConnected{"Device Connected", "设备已连接"};
inline constexpr TextPair kOffLine{"OffLine", "设备未连接"};
inline constexpr TextPair kLoadWaiting{"Load Waiting...", "调用等待中..."};
inline constexpr TextPair kSaveWaiting{"Save Waiting...", "保存等待中..."};
inline constexpr TextPair kSaving{"Saving...", "保存中..."};
inline constexpr std::string_view kOffline = "Offline";
inline constexpr std::string_view kNotConnected = "设备未连接";

// Status dialog.
inline constexpr std::string_view kStatusDialogCaption = "Device Status";
inline constexpr TextPair kStatusPrefix{"Staus：", "状态："};
inline constexpr std::string_view kPleaseWait = " Please wait a moment, it may take a few seconds!";

// Messages (an empty caption stands for the application's title).
struct Message {
    std::string_view text;
    std::string_view caption;
};
inline constexpr Message kSaveSuccessfully{"Save Successfully!", "Confirm"};
inline constexpr Message kDeviceDisconnected{"Device Disconnected!", "Confirm"};
inline constexpr Message kDeviceDisconnectedChinese{"已断开连接!", "提示"};
inline constexpr Message kConnectionFailed{"Connection Failed!", "Confirm"};
inline constexpr TextPair kAckError{"Ack Error!", "错误应答!"};

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
