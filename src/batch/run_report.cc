#include "batch/run_report.h"

#include <nlohmann/json.hpp>

namespace gamefold {

namespace {

using nlohmann::json;

bool IsUtf8(const std::string& bytes) {
  try {
    (void)json(bytes).dump();
    return true;
  } catch (const json::type_error&) {
    return false;
  }
}

// A file name keeps its bytes: paths on POSIX systems are bytes, not text.
json NameValue(const std::string& name) {
  if (IsUtf8(name)) return name;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : name) hex.append({kHex[c >> 4], kHex[c & 15]});
  std::string text = json(name).dump(-1, ' ', false, json::error_handler_t::replace);
  return {{"hex", hex}, {"text", json::parse(text)}};
}

json Names(const std::vector<std::string>& names) {
  json list = json::array();
  for (const std::string& name : names) list.push_back(NameValue(name));
  return list;
}

}  // namespace

std::string ReportJson(const RunReport& report) {
  json failures = json::array();
  for (const Failure& failure : report.failures) {
    failures.push_back({{"file", failure.path.empty() ? json() : NameValue(failure.path)},
                        {"number", failure.number},
                        {"message", failure.description}});
  }
  json object = {
      {"command", report.command},
      {"days", report.days},
      {"written", Names(report.written)},
      {"unchanged", Names(report.unchanged)},
      {"failures", failures},
      {"counts",
       {{"days", report.days.size()},
        {"written", report.written.size()},
        {"unchanged", report.unchanged.size()},
        {"failed", report.failures.size()}}},
  };
  if (report.command == "process" || report.command == "watch") {
    object["unpublished_years"] = report.unpublished_years;
  }
  if (report.site) {
    object["site"] = {{"pages", report.site_pages}, {"uncounted", Names(report.uncounted)}};
  }
  if (!report.destination.empty()) {
    object["publish"] = {{"destination", report.destination},
                         {"dry_run", report.dry_run},
                         {"sent", Names(report.sent)},
                         {"unchanged", Names(report.current)},
                         {"skipped", Names(report.skipped)}};
  }
  // A message names its file too, and is for people: bad bytes there become U+FFFD.
  return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace gamefold
