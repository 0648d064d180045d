#pragma once
// What a read all, write all or verify earned, in words for the window's
// status bar and box and for the command-line program. Success is claimed
// only when every step got a whole answer (a set command: acknowledged and not
// refused) and, for verify, every setting the converter reports was compared.

#include <string>
#include <vector>

#include "commission/Configuration.h"
#include "commission/Sequence.h"
#include "commission/Verify.h"

namespace commission {

enum class Purpose { Read, Write, Verify };

struct Outcome {
    enum class Verdict { Success, Differs, Failed } verdict = Verdict::Failed;
    std::string status;  // one line: "Verify: not verified", "Write all: written"
    std::string text;    // the whole account, one finding a line
    std::vector<Difference> differences;  // verify
    std::vector<std::string> staleSteps;  // read all: steps whose fields were not read
};

// `link`: the port and its line settings, named when the converter is given up.
// `expected` and `source` ("window", "profile"): verify only.
Outcome Judge(Purpose purpose, const Sequence& sequence, const std::string& link,
              const Configuration& expected = {}, const std::string& source = {}, const ItemNamer& items = {});

}  // namespace commission
