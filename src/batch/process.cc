#include "daypages/process.h"

#include "batch/batch_internal.h"

namespace gamefold::batch {

int RunProcess(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress) {
  Run run{command, NotesOf(command, err), err, show_progress, {"process"}};
  DayProcessor processor;
  bool done = Locked(&run, [&run, &out, &processor] {
    return ThenPublish(&run, out, [&run, &processor] { return ProcessPass(&run, &processor); });
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

}  // namespace gamefold::batch
