#pragma once
// The effect's declared sliders and its identity (names, version, unique id, channel count).
// Filled once in the effect's constructor; the host adapter turns each slider record into one host
// parameter, in declaration order.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/XlatSamples.h"

// One declared slider; host parameter i is sliderRecords[i].
struct SliderRecord
{
    // Names of the steps of an enumerated slider, the first for the minimum; empty for a plain
    // numeric slider. A folder slider's steps are the file names of its folder.
    std::vector<std::string> enumNames;
    // Set once the record's folder has been listed.
    bool folderScanned = false;
    // Index into `sliders` (0 .. 127).
    int32_t number = 0;
    // A further variable that receives every value the host sets; may be null.
    double* mirror = nullptr;
    double defaultValue = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    // Quantisation step of host-set values.
    double step = 0.0;
    // For a file slider: folder relative to the library folder whose files become the steps.
    std::string folder;
    // A further declaration text, read by nothing in the runtime.
    std::string extraText;
    // Unit label reported to the host.
    std::string label;
    // Name shown to the host, exactly as declared.
    std::string name;
    // For a numeric slider that 0 switches off: the text shown instead of the number at 0
    // ("Off"); empty for every other slider.
    std::string zeroName;
};

class CXlatDescription : public CXlatSamples
{
  public:
    // The single step name of a folder slider whose folder holds no regular file.
    static constexpr const char* kNoDataFiles = "(No Data Files)";

    // [UI thread, constructor only] Declares one slider: sets sliders[number] to defaultValue and
    // appends its record. A non-empty `folder` makes a file slider: the files of
    // LibraryFolder() + folder become its steps (or the single step "(No Data Files)"), with
    // default 0, minimum 0, maximum (steps - 1) and step 0.5; sliders[number] keeps defaultValue.
    // Answers the new record's index (its host parameter index), or -1 without declaring anything
    // when `number` is outside 0 .. 127, since such a slider would have no value to hold.
    int32_t AddSlider(int32_t number, double* mirror, double defaultValue, double minimum,
                      double maximum, double step, const std::string& folder,
                      const std::string& extraText, const std::string& label,
                      const std::string& name);

    // [UI thread, constructor only] Appends a step name to the most recently declared slider;
    // ignored when no slider has been declared yet.
    void AddEnumName(const std::string& text);
    // Gives the most recently declared slider the text shown at the value 0 (zeroName).
    void SetZeroName(const std::string& text);

    // [any thread] Number of declared sliders (host parameters).
    int32_t SliderRecordCount() const { return static_cast<int32_t>(sliderRecords.size()); }
    // [any thread] The value of host parameter `index` as the host reads it: the slider's value
    // normalised to its record's range, (value - minimum) / (maximum - minimum), not clamped.
    // 0 for an index outside the records and for a record with an empty range.
    double ParameterValue(int32_t index) const;
    // [any thread] The host parameter index of slider `number` (its first record); -1 when no
    // record holds that slider.
    int32_t ParameterOfSlider(int32_t number) const;

    std::vector<SliderRecord> sliderRecords;
    std::string effectName;
    std::string productString;
    std::string vendorString;
    // The single program's name; the host may replace it.
    std::string programName;
    // Vendor version reported to the host.
    int32_t version = 0;
    // Four characters packed big-endian (first character in the top byte).
    int32_t uniqueId = 0;
    // Inputs and outputs.
    int32_t channelCount = 0;
    // Frames of delay the effect always adds (its look-ahead), known from construction on so
    // that a host can read it before anything has run. The hooks may still report a change.
    int32_t latencyFrames = 0;
};
