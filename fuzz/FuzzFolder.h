#pragma once

#include <filesystem>

namespace pvx::rig {

// The program folder that a fuzzing process shares between its inputs, made on first use and
// removed when the process ends. Its "Saves" holds message sets for "!load": "main" and "other"
// (whole sets whose texts are free of ";" and double quotes), "short" (ends after its fifth
// line), "badflag" (a flag line that is no number), "header" (a wrong header) and "dir" (a
// folder named like a set).
const std::filesystem::path& fuzzFolder();

}  // namespace pvx::rig
