#include "batch/batch_internal.h"
#include "runs/runs.h"

namespace gamefold::batch {

int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"index"}};
  bool done = Locked(&run, [&run] {
    RunResult result;
    IndexRun(PlaceOf(run.command), SettingsOf(run.command), true, CommonEvents(&run), &result);
    return Finished(&run, result);
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

}  // namespace gamefold::batch
