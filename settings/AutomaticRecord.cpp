#include "settings/AutomaticRecord.h"

#include "settings/ProgramKey.h"

namespace stowlark {
namespace {

constexpr char kEndedValue[] = "Automatic backup ended";
constexpr char kCodeValue[] = "Automatic backup exit code";
constexpr char kSummaryValue[] = "Automatic backup summary";
constexpr char kToldValue[] = "Automatic backup told";
constexpr char kLogValue[] = "Automatic backup log";
// The lowest exit code of a run that did not finish.
constexpr int kUnfinished = 2;

}  // namespace

bool WriteAutomaticRecord(RegistryPort& registry, const AutomaticRecord& record) {
  return WriteProgramValues(registry,
                            {{kEndedValue, TextValue(record.endedAt)},
                             {kCodeValue, NumberValue(static_cast<std::uint32_t>(record.code))},
                             {kSummaryValue, TextValue(record.summary)},
                             {kToldValue, NumberValue(record.told ? 1 : 0)},
                             {kLogValue, TextValue(record.log)}});
}

std::optional<AutomaticRecord> ReadAutomaticRecord(RegistryPort& registry) {
  const auto values =
      ReadProgramValues(registry, {kEndedValue, kCodeValue, kSummaryValue, kToldValue, kLogValue});
  if (!values) return std::nullopt;
  const auto ended = AsText((*values)[0]), summary = AsText((*values)[2]),
             log = AsText((*values)[4]);
  const auto code = AsNumber((*values)[1]), told = AsNumber((*values)[3]);
  if (!ended || !code || !summary || !told || !log) return std::nullopt;
  return AutomaticRecord{*ended, static_cast<int>(*code), *summary, *told != 0, *log};
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
