#include <string>

#include "batch/batch_internal.h"
#include "core/failure.h"
#include "core/text.h"
#include "core/text_file.h"
#include "publish/publish.h"

namespace gamefold::batch {

namespace {

// 5, "Invalid procedure call or argument": the command's destination is not a URL publish takes.
constexpr int kInvalidDestinationNumber = 5;

}  // namespace

// Sends what changed in the output folder to the run's destination, with a bar of the files on
// a terminal; --dry-run prints the files that would go, one a line on out.
bool PublishPass(Run* run, std::ostream& out) {
  const BatchCommand& command = run->command;
  Destination destination;
  std::string problem;
  // Checked with the arguments already; a command made otherwise must not send the pages
  // wherever a text that does not parse would leave destination pointing (the current folder).
  if (!ParseDestination(command.destination, &destination, &problem)) {
    run->Fail({kInvalidDestinationNumber,
               "cannot publish to " + PrintableName(command.destination) + ": " + problem});
    return false;
  }
  destination.allow_plain_ftp = command.allow_plain_ftp;
  // On every run and even with --quiet: the user must not forget that it is so.
  if (command.allow_plain_ftp && destination.scheme == Destination::Scheme::kFtp) {
    run->err << "Warning: --allow-plain-ftp: the password for " << destination.server
             << " travels unencrypted when the server offers no TLS\n";
  }
  bool show_progress = run->show_progress && !command.quiet && !command.dry_run;
  bool drawn = false;
  auto progress = [&](const std::string&, size_t done, size_t total) {
    if (!show_progress) return;
    size_t filled = kProgressWidth * done / total;
    std::string line = "\r[";
    line.append(filled, '#').append(kProgressWidth - filled, ' ').append("] ");
    run->err << line << done << "/" << total << " files sent" << std::flush;
    drawn = true;
  };
  PublishResult result;
  bool done = Publish(command.output_folder, destination, command.dry_run, progress, &result);
  if (drawn) run->err << '\n';
  run->report.destination = destination.url;
  run->report.dry_run = command.dry_run;
  run->report.sent = result.sent;
  run->report.current = result.unchanged;
  // Told even with --quiet: a file the user meant for the site did not go.
  for (const SkippedFile& skipped : result.skipped) {
    run->err << "publish: skipped " << PrintableName(skipped.name) << ": " << skipped.reason
             << '\n';
    run->report.skipped.push_back(skipped.name);
  }
  if (command.dry_run && !command.report_json) {
    std::string text;
    for (const std::string& name : result.sent) text.append(name).append("\n");
    out << text;
  }
  if (command.dry_run && destination.scheme != Destination::Scheme::kFile) {
    run->notes << "publish --dry-run: " << destination.server
               << " was not asked; copies changed or lost there are found only by a real run\n";
  }
  for (const Failure& failure : result.failures) run->Fail(failure);
  if (!done && !result.sent.empty()) {
    run->err << "Sent before the failure:";
    for (const std::string& name : result.sent) run->err << ' ' << PrintableName(name);
    run->err << '\n';
  }
  if (done && !command.dry_run) {
    run->notes << "publish: " << result.sent.size() << " files sent, " << result.unchanged.size()
               << " unchanged, to " << destination.url << '\n';
  }
  if (done) WarnWithoutStyleSheet(run);
  return done;
}

int RunPublish(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress) {
  Run run{command, NotesOf(command, err), err, show_progress, {"publish"}};
  bool done = Locked(&run, [&run, &out] { return PublishPass(&run, out); });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

}  // namespace gamefold::batch
