#include "settings/AutomaticRecord.h"

#include "platform/Utf.h"

namespace stowlark {
namespace {

constexpr char kEndedValue[] = "Automatic backup ended";
constexpr char kCodeValue[] = "Automatic backup exit code";
constexpr char kSummaryValue[] = "Automatic backup summary";
constexpr char kToldValue[] = "Automatic backup told";
constexpr char kLogValue[] = "Automatic backup log";
// A summary names a path or two: room for the longest the program makes.
constexpr std::uint32_t kCapacityBytes = 65536;
// The lowest exit code of a run that did not finish.
constexpr int kUnfinished = 2;

RegistryValue Text(const std::string& text) {
  RegistryValue value{kRegSz, {}};
  for (const char16_t unit : Utf8ToUtf16(text + '\0')) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return value;
}

RegistryValue Number(std::uint32_t number) {
  RegistryValue value{kRegDword, {}};
  for (int shift = 0; shift < 32; shift += 8) {
    value.bytes.push_back(static_cast<std::uint8_t>(number >> shift));
  }
  return value;
}

std::optional<std::string> AsText(const RegistryValue& value) {
  if (value.type != kRegSz || value.bytes.size() % 2 != 0) return std::nullopt;
  std::string text = Utf16LeToUtf8(value.bytes);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::optional<std::uint32_t> AsNumber(const RegistryValue& value) {
  if (value.type != kRegDword || value.bytes.size() != 4) return std::nullopt;
  return value.bytes[0] | value.bytes[1] << 8 | value.bytes[2] << 16 |
         static_cast<std::uint32_t>(value.bytes[3]) << 24;
}

}  // namespace

std::string DateAndMinute(const LocalTime& time) {
  return DateText(time) + " " + TwoDigits(time.hour) + ":" + TwoDigits(time.minute);
}

bool WriteAutomaticRecord(RegistryPort& registry, const AutomaticRecord& record) {
  RegHandle key = 0;
  if (registry.CreateKey(kCurrentUser, kProgramKey, key) != kRegSuccess) return false;
  const bool written =
      registry.SetValue(key, kEndedValue, Text(record.endedAt)) == kRegSuccess &&
      registry.SetValue(key, kCodeValue, Number(static_cast<std::uint32_t>(record.code))) ==
          kRegSuccess &&
      registry.SetValue(key, kSummaryValue, Text(record.summary)) == kRegSuccess &&
      registry.SetValue(key, kToldValue, Number(record.told ? 1 : 0)) == kRegSuccess &&
      registry.SetValue(key, kLogValue, Text(record.log)) == kRegSuccess;
  registry.CloseKey(key);
  return written;
}

std::optional<AutomaticRecord> ReadAutomaticRecord(RegistryPort& registry) {
  RegHandle key = 0;
  if (registry.OpenKey(kCurrentUser, kProgramKey, kKeyRead, key) != kRegSuccess) {
    return std::nullopt;
  }
  RegistryValue ended, code, summary, told, log;
  const bool read =
      registry.QueryValue(key, kEndedValue, kCapacityBytes, ended) == kRegSuccess &&
      registry.QueryValue(key, kCodeValue, 4, code) == kRegSuccess &&
      registry.QueryValue(key, kSummaryValue, kCapacityBytes, summary) == kRegSuccess &&
      registry.QueryValue(key, kToldValue, 4, told) == kRegSuccess &&
      registry.QueryValue(key, kLogValue, kCapacityBytes, log) == kRegSuccess;
  registry.CloseKey(key);
  if (!read || !AsText(ended) || !AsNumber(code) || !AsText(summary) || !AsNumber(told) ||
      !AsText(log)) {
    return std::nullopt;
  }
  return AutomaticRecord{*AsText(ended), static_cast<int>(*AsNumber(code)), *AsText(summary),
                         *AsNumber(told) != 0, *AsText(log)};
}

bool NoticeDue(const AutomaticRecord& record) { return record.code >= kUnfinished && !record.told; }

// A run that could write no log has only its reason to tell.
std::string NoticeText(const AutomaticRecord& record) {
  std::string text =
      "The automatic backup of " + record.endedAt + " did not finish:\r\n" + record.summary;
  if (record.log.empty()) return text;
  return text + "\r\n\r\nWhat it did is written in its log:\r\n" + record.log;
}

}  // namespace stowlark
