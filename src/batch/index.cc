#include <string>
#include <vector>

#include "batch/batch_internal.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"

namespace gamefold::batch {

int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"index"}};
  bool done = Locked(&run, [&run] {
    std::vector<std::string> output_names;
    Failure failure;
    if (!ListFolder(run.command.output_folder, kDayPagePattern, &output_names, &failure)) {
      run.Fail(failure);
      return false;
    }
    return (!run.command.site || SitePass(&run)) && WriteIndex(&run, output_names);
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

}  // namespace gamefold::batch
