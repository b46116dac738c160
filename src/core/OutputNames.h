// Names of a run's outputs, checked against what the user has: no output may
// be one of the run's own inputs, and a VobSub pair replaces only a pair this
// program wrote.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace glyphon {

// The disc's files for outputs of `stem`: the muxed film, its palette file
// and the dvdauthor project; the first alone.
std::vector<std::string> DiscFileNames(const std::string& stem);
std::string DiscFilmName(const std::string& stem);

// True when both names exist and are the same file (links, "..", hard links
// included).
bool SameExistingFile(const std::string& a, const std::string& b);

// The first output that is one of the inputs, as the sentence that refuses
// the run ("OUTPUT would replace INPUT, ..."); nothing when there is none.
// Empty names in either list are skipped.
std::optional<std::string> OutputReplacingInput(const std::vector<std::string>& outputs,
                                                const std::vector<std::string>& inputs);

// Whether idxPath and subPath are free for a VobSub pair: each is missing, or
// the pair is one this program wrote (the index starts with its two header
// lines and the ".sub", if any, with an MPEG pack).
bool VobSubPairReplaceable(const std::string& idxPath, const std::string& subPath);

// The stem of a VobSub pair beside outputs of stem: stem itself when its pair
// is free, otherwise stem + ".vobsub", stem + ".vobsub2", ... up to 99; the
// first that is free and names none of the inputs. Nothing when all are taken.
std::optional<std::string> FreeVobSubStem(const std::string& stem, const std::vector<std::string>& inputs);

}  // namespace glyphon
