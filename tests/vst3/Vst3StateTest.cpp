// QUAR2.vst3's factory, parameters and state as a host sees them: one class with its fixed
// identity; the parameters with the VST 2.4 plug-in's names, units and display texts and a
// bypass; the state is the VST 2.4 chunk, so a preset saved in one format loads in the other,
// through streams that move few bytes per call, and short or foreign data changes nothing.

#include "tests/plugin/BuiltPlugin.h"
#include "tests/vst3/Vst3Host.h"
#include "vst3/Vst3Ids.h"

#include <cstring>

using namespace vst3;

namespace
{
class Vst3State : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.open(BuiltBundlePath(), error)) << error;
        ASSERT_TRUE(vst2.open(BuiltVst2Path())) << vst2.error();
        instance = std::make_unique<CVst3Instance>(*module.factory(), app);
        ASSERT_TRUE(instance->ok());
        std::string why;
        reference = CVstPlugin::create(vst2.entry("VSTPluginMain"), vst2Host, why);
        ASSERT_TRUE(reference) << why;
        reference->open();
    }
    void TearDown() override
    {
        instance.reset();
        reference.reset();
    }
    std::vector<uint8_t> save(int32 step = 0)
    {
        CMemoryStream stream;
        stream.step = step;
        EXPECT_EQ(instance->component->getState(&stream), kResultOk);
        return stream.bytes;
    }
    tresult load(std::vector<uint8_t> bytes, int32 step = 0)
    {
        CMemoryStream stream(std::move(bytes));
        stream.step = step;
        return instance->component->setState(&stream);
    }

    CHostApplication app;
    CVst3Module module;
    CVstLibrary vst2;
    CHostCallback vst2Host;
    std::unique_ptr<CVst3Instance> instance;
    std::unique_ptr<CVstPlugin> reference;
};
} // namespace

TEST_F(Vst3State, OneClassWithItsFixedIdentity)
{
    IPluginFactory* factory = module.factory();
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tessel Audio");
    EXPECT_EQ(info.flags & kFactoryUnicode, kFactoryUnicode);
    ASSERT_EQ(factory->countClasses(), 1);
    void* obj = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid.bytes, &obj), kResultOk);
    auto* factory3 = static_cast<IPluginFactory3*>(obj);
    PClassInfoW w{};
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &w), kResultOk);
    EXPECT_EQ(Narrow(w.name), "QUAR2");
    EXPECT_EQ(Narrow(w.vendor), "Tessel Audio");
    EXPECT_STREQ(w.subCategories, "Fx|Dynamics");
    EXPECT_STREQ(w.category, "Audio Module Class");
    // The id hosts keep in their projects, in this platform's byte order.
    EXPECT_EQ(std::memcmp(w.cid, quar2vst3::kEffectCid.bytes, 16), 0);
#ifdef _WIN32
    const unsigned char stored[16] = {0x83, 0x6D, 0xD2, 0xCC, 0xE3, 0xC4, 0xF1, 0x49,
                                      0x81, 0xDE, 0x15, 0x8F, 0x5F, 0xDB, 0x80, 0x09};
#else
    const unsigned char stored[16] = {0xCC, 0xD2, 0x6D, 0x83, 0xC4, 0xE3, 0x49, 0xF1,
                                      0x81, 0xDE, 0x15, 0x8F, 0x5F, 0xDB, 0x80, 0x09};
#endif
    EXPECT_EQ(std::memcmp(w.cid, stored, 16), 0);
    EXPECT_EQ(factory3->getClassInfoUnicode(1, &w), kInvalidArgument);
    factory3->release();
    // Unknown class or interface: nothing made.
    char other[16] = {1};
    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(other, IComponent::iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->createInstance(w.cid, IPlugView::iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    // A second initialize without terminate is refused.
    EXPECT_EQ(instance->component->initialize(&app), kResultFalse);
}

TEST_F(Vst3State, ParametersAreTheVst2ParametersPlusABypass)
{
    IEditController& c = *instance->controller;
    ASSERT_EQ(c.getParameterCount(), reference->numParams() + 1);
    for (int32 i = 0; i < reference->numParams(); ++i)
    {
        ParameterInfo info{};
        ASSERT_EQ(c.getParameterInfo(i, &info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        // The VST 2.4 name holds the title and its unit ("Push Down [dB]").
        const std::string title = Narrow(info.title), unit = Narrow(info.units);
        EXPECT_FALSE(title.empty());
        EXPECT_NE(reference->parameterName(i).find(title), std::string::npos)
            << reference->parameterName(i);
        if (!unit.empty())
        {
            EXPECT_NE(reference->parameterName(i).find(unit), std::string::npos) << unit;
        }
        EXPECT_EQ(info.flags & kCanAutomate, kCanAutomate);
        EXPECT_EQ(info.defaultNormalizedValue, reference->getParameter(i)) << title;
        EXPECT_EQ(c.getParamNormalized(info.id), reference->getParameter(i)) << title;
        // Display texts at a few values are the VST 2.4 display once it holds that value.
        for (float v : {0.0f, 0.25f, 0.6f, 1.0f})
        {
            reference->setParameter(i, v);
            char16 text[128] = {};
            ASSERT_EQ(c.getParamStringByValue(info.id, v, text), kResultOk);
            EXPECT_EQ(Narrow(text), reference->parameterDisplay(i)) << title << " at " << v;
            // ... and the text reads back as the value the plug-in holds.
            ParamValue back = -1.0;
            ASSERT_EQ(c.getParamValueByString(info.id, text, &back), kResultOk) << Narrow(text);
            EXPECT_NEAR(back, reference->getParameter(i), 1e-6) << Narrow(text);
        }
        // A stepped parameter counts its steps: its values are those steps apart.
        if (info.stepCount > 0)
        {
            const double step = 1.0 / info.stepCount;
            const double plain = c.normalizedParamToPlain(info.id, step);
            EXPECT_NEAR(c.plainParamToNormalized(info.id, plain), step, 1e-9) << title;
        }
    }
    ParameterInfo bypass{};
    ASSERT_EQ(c.getParameterInfo(reference->numParams(), &bypass), kResultOk);
    EXPECT_EQ(bypass.id, quar2vst3::kBypassId);
    EXPECT_EQ(bypass.flags & (kIsBypass | kCanAutomate), kIsBypass | kCanAutomate);
    EXPECT_EQ(bypass.stepCount, 1);
    char16 text[128] = {};
    EXPECT_EQ(c.getParamStringByValue(quar2vst3::kBypassId, 1.0, text), kResultOk);
    EXPECT_EQ(Narrow(text), "On");
    // Out of range: refused, nothing written.
    EXPECT_EQ(c.getParameterInfo(reference->numParams() + 1, &bypass), kInvalidArgument);
    EXPECT_EQ(c.getParameterInfo(-1, &bypass), kInvalidArgument);
    EXPECT_EQ(c.getParamStringByValue(77, 0.5, text), kInvalidArgument);
    EXPECT_EQ(c.getParamStringByValue(0, 0.5, nullptr), kInvalidArgument);
}

TEST_F(Vst3State, TheStateIsTheVst2ChunkBothWays)
{
    // Saved by VST 2.4, loaded by VST3 (through a stream giving 7 bytes per read).
    const float settings[][2] = {{0, 1.0f}, {3, 0.3f}, {4, 0.7f}, {6, 0.2f}, {9, 0.5f}};
    for (auto [index, value] : settings)
        reference->setParameter(static_cast<VstInt32>(index), value);
    const std::vector<uint8_t> chunk = reference->getChunk();
    ASSERT_EQ(chunk.size(), 260u);
    ASSERT_EQ(load(chunk, 7), kResultOk);
    for (int32 i = 0; i < reference->numParams(); ++i)
        EXPECT_EQ(instance->controller->getParamNormalized(static_cast<ParamID>(i)),
                  reference->getParameter(i))
            << i;
    EXPECT_EQ(save(), chunk);
    EXPECT_EQ(save(5), chunk); // writes of 5 bytes at a time

    // Saved by VST3, loaded by VST 2.4.
    CParameterChanges changes;
    changes.add(2, 0.25);
    changes.add(5, 0.9);
    ProcessData flush{};
    flush.inputParameterChanges = &changes;
    ASSERT_EQ(instance->processor->process(&flush), kResultOk);
    const std::vector<uint8_t> saved = save();
    CHostCallback otherHost;
    std::string why;
    auto other = CVstPlugin::create(vst2.entry("VSTPluginMain"), otherHost, why);
    ASSERT_TRUE(other) << why;
    other->open();
    EXPECT_NE(other->setChunk(saved), 0);
    EXPECT_EQ(other->getChunk(), saved);
    for (int32 i = 0; i < reference->numParams(); ++i)
        EXPECT_EQ(other->getParameter(i),
                  instance->controller->getParamNormalized(static_cast<ParamID>(i)))
            << i;

    // The state may sit inside a larger file: it is read from where the stream stands.
    std::vector<uint8_t> embedded = {'h', 'e', 'a', 'd'};
    embedded.insert(embedded.end(), chunk.begin(), chunk.end());
    CMemoryStream inFile(embedded);
    inFile.position = 4;
    EXPECT_EQ(instance->component->setState(&inFile), kResultOk);
    EXPECT_EQ(save(), chunk);

    // Short, empty or foreign data is refused and changes nothing.
    const std::vector<uint8_t> before = save();
    EXPECT_EQ(load(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 100)), kResultFalse);
    EXPECT_EQ(load({}), kResultFalse);
    EXPECT_EQ(load(std::vector<uint8_t>(260, 0x41)), kResultFalse);
    EXPECT_EQ(instance->component->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(save(), before);
}
