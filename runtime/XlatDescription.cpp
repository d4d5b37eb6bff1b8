#include "runtime/XlatDescription.h"

#include "runtime/ModulePath.h"

int32_t CXlatDescription::AddSlider(int32_t number, double* mirror, double defaultValue,
                                    double minimum, double maximum, double step,
                                    const std::string& folder, const std::string& extraText,
                                    const std::string& label, const std::string& name)
{
    if (number < 0 || number >= kSliderCount) return -1;
    sliders[static_cast<size_t>(number)] = defaultValue;

    SliderRecord record;
    record.number = number;
    record.mirror = mirror;
    record.defaultValue = defaultValue;
    record.minimum = minimum;
    record.maximum = maximum;
    record.step = step;
    record.folder = folder;
    record.extraText = extraText;
    record.label = label;
    record.name = name;
    sliderRecords.push_back(std::move(record));
    SliderRecord& added = sliderRecords.back();

    if (!added.folderScanned)
    {
        added.folderScanned = true;
        if (!added.folder.empty())
        {
            // A file slider: its steps are the files of its folder. The range counts the names;
            // the half step lets host values round onto every file. The slider keeps the value
            // declared above.
            ListFolder(LibraryFolder() + added.folder, added.enumNames);
            if (added.enumNames.empty()) added.enumNames.push_back(kNoDataFiles);
            added.defaultValue = 0.0;
            added.minimum = 0.0;
            added.maximum = static_cast<double>(added.enumNames.size()) - 1.0;
            added.step = 0.5;
        }
    }
    return static_cast<int32_t>(sliderRecords.size()) - 1;
}

void CXlatDescription::SetZeroName(const std::string& text)
{
    if (sliderRecords.empty()) return;
    sliderRecords.back().zeroName = text;
}

void CXlatDescription::AddEnumName(const std::string& text)
{
    if (sliderRecords.empty()) return;
    sliderRecords.back().enumNames.push_back(text);
}

double CXlatDescription::ParameterValue(int32_t index) const
{
    if (index < 0 || index >= SliderRecordCount()) return 0.0;
    const SliderRecord& record = sliderRecords[static_cast<size_t>(index)];
    if (record.number < 0 || record.number >= kSliderCount) return 0.0;
    const double range = record.maximum - record.minimum;
    // A slider with an empty range (a folder slider of one file) sits at 0, not at 0/0.
    if (range == 0.0) return 0.0;
    return (sliders[static_cast<size_t>(record.number)] - record.minimum) / range;
}

int32_t CXlatDescription::ParameterOfSlider(int32_t number) const
{
    for (int32_t i = 0; i < SliderRecordCount(); ++i)
        if (sliderRecords[static_cast<size_t>(i)].number == number) return i;
    return -1;
}
