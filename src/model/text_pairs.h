// Every text the program shows in both languages, English first and Chinese second, and the
// language flag that picks one. Texts that exist in one language only live with their users.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vt {

// The language flag: 1 shows the Chinese text of every pair, any other value the English one.
inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageChinese = 1;

// One message in both languages; the language flag picks one.
struct TextPair {
    std::string_view english;
    std::string_view chinese;
};

constexpr std::string_view pick(const TextPair& pair, int languageFlag) {
    return languageFlag == kLanguageChinese ? pair.chinese : pair.english;
}

// "en" or "zh" as a language flag; nullopt for any other name.
constexpr std::optional<int> languageFromName(std::string_view name) {
    if (name == "en") return kLanguageEnglish;
    if (name == "zh") return kLanguageChinese;
    return std::nullopt;
}
constexpr std::string_view languageName(int languageFlag) {
    return languageFlag == kLanguageChinese ? "zh" : "en";
}
// The flag that a locale name ("zh_CN", "en_GB.UTF-8", "C") asks for.
constexpr int languageOfLocale(std::string_view locale) {
    return locale.substr(0, 2) == "zh" ? kLanguageChinese : kLanguageEnglish;
}

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

// Status dialog label, before the link label's text.
inline constexpr TextPair kStatusPrefix{"Staus：", "状态："};

// Message boxes: the caption of messages and questions, and the messages with two texts.
inline constexpr TextPair kConfirmCaption{"Confirm", "提示"};
inline constexpr TextPair kDeviceDisconnected{"Device Disconnected!", "已断开连接!"};
inline constexpr TextPair kAckError{"Ack Error!", "错误应答!"};

// Questions; the device commands' questions are followed by "?".
inline constexpr TextPair kResetAllEq{"Reset all EQ parameters?", "重置所有EQ参数?"};
inline constexpr TextPair kAskSaveData{"Save Data ", "保存当前数据"};
inline constexpr TextPair kAskRestoreSettings{"Restore settings ", "恢复调整前参数"};
inline constexpr TextPair kAskRestoreFactory{"Restore Factory settings ", "恢复出厂参数"};

// Undo and redo pressed while a preset is being written or the unit read again.
inline constexpr TextPair kUndoWaits{"Undo and redo wait until the unit is connected",
                                     "设备连接后才能撤销或重做"};
// An undo or redo step met a slot that another program changed since; the slots' names follow.
inline constexpr TextPair kUndoLeftAlone{
    "Undo and redo left alone what another program changed since: ",
    "撤销和重做未改动其他程序之后修改的参数: "};

// Preset file messages.
inline constexpr TextPair kFileNotFound{"File not find!", "文件不存在"};
inline constexpr TextPair kFileFormatError{"File format error!", "文件格式错误!"};
inline constexpr TextPair kDataFileCorrupted{"Data file is corrupted!", "数据文件损坏!"};

// Every pair above, for whoever walks them all.
inline constexpr std::array kAllPairs{
    &kConnecting,        &kDownloadingRead, &kDownloadingWrite,   &kDeviceConnected,
    &kOffLine,           &kLoadWaiting,     &kSaveWaiting,        &kSaving,
    &kStatusPrefix,      &kConfirmCaption,  &kDeviceDisconnected, &kAckError,
    &kResetAllEq,        &kAskSaveData,     &kAskRestoreSettings, &kAskRestoreFactory,
    &kUndoWaits,         &kUndoLeftAlone,   &kFileNotFound,       &kFileFormatError,
    &kDataFileCorrupted,
};

}  // namespace texts
}  // namespace vt
