#include <cerrno>
#include <string>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "batch/progress_line.h"
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
  // Only a destination read from the command's text is published to; RunBatchCommand reads it.
  if (!command.parsed_destination) {
    run->Fail(FailureFromErrno(EINVAL, "cannot publish to", MaskedUrl(command.destination)));
    return false;
  }
  Destination destination = *command.parsed_destination;
  destination.allow_plain_ftp = command.allow_plain_ftp;
  // On every run and even with --quiet: the user must not forget that it is so.
  if (command.allow_plain_ftp && destination.scheme == Destination::Scheme::kFtp) {
    run->err << "Warning: --allow-plain-ftp: the password for " << destination.server
             << " travels unencrypted when the server offers no TLS\n";
  }
  bool show_progress = run->show_progress && !command.quiet && !command.dry_run;
  ProgressLine line(run->err, show_progress);
  auto progress = [&line](const std::string&, size_t done, size_t total) {
    line.Draw(done, total, std::to_string(done) + "/" + std::to_string(total) + " files sent");
  };
  PublishResult result;
  bool done = Publish(command.output_folder, destination, command.dry_run, progress, &result);
  line.Finish();
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

namespace {
constexpr OptionId kPublishOptions[] = {OptionId::kDryRun, OptionId::kAllowPlainFtp,
                                        OptionId::kReport, OptionId::kQuiet};
}  // namespace

const CommandRow kPublishCommand = {
    "publish",
    BatchCommand::Kind::kPublish,
    "publish [--dry-run] [--allow-plain-ftp] [--report json] [--quiet]\n"
    "        OUTPUT DESTINATION\n",
    "  publish  sends the day pages, the index and vuzad.css of OUTPUT that changed since they\n"
    "           were last sent to DESTINATION: sftp://user@host/folder/, ftps://user@host/folder/\n"
    "           (TLS required), ftp://user@host/folder/ (TLS required as well, unless\n"
    "           --allow-plain-ftp) or file:///folder/\n"
    "    --dry-run     prints what would be sent, sends nothing; a network host is not asked\n"
    "    --allow-plain-ftp  publish, process, watch: lets an ftp:// login go without TLS when\n"
    "                  the server offers none, with a warning on every run\n"
    "  The password comes from ~/.netrc or GAMEFOLD_PUBLISH_PASSWORD, never the command line.\n",
    kPublishOptions,
    Operands::kOutputDestination,
    RunPublish,
};

}  // namespace gamefold::batch
