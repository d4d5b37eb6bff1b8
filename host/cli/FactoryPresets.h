#pragma once
// QUAR2's factory presets: .fxp files in a folder of their own (presets/ in the source tree,
// share/quar2/presets beside an installed quar2-host), named by their file names without the
// extension, with one line of description each in the folder's index.txt
// ("NAME  description").

#include <string>
#include <vector>

struct FactoryPreset
{
    std::string name;        // "podcast"
    std::string path;        // the .fxp file
    std::string description; // one line; empty when the index has none
};

// The factory presets found, sorted by name; empty when no folder holds any. [any thread]
std::vector<FactoryPreset> factoryPresets();

// A --preset argument as a file to read: an existing file, or anything that looks like a path
// (a folder separator or the .fxp extension), stays as it is; a bare name becomes the factory
// preset of that name. An unknown name answers false with an error that lists the names.
bool resolvePresetArgument(std::string& argument, std::string& error);

// `quar2-host presets`: one line per factory preset. Answers the exit status.
int runPresets();
