#pragma once
// The VST3 interfaces QUAR2 implements or calls, as abstract classes whose virtual methods are in
// the interface's slot order (no virtual destructors, no overloads: the vtable then matches the
// binary interface under g++, mingw-w64 g++ and MSVC). Each interface carries its id as `iid`.

#include "vst3/Vst3Structs.h"

namespace vst3
{
// clang-format off
class FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    virtual tresult VST3_API queryInterface(const char* id, void** obj) = 0;
    virtual uint32 VST3_API addRef() = 0;
    virtual uint32 VST3_API release() = 0;
};

class IPluginBase : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    virtual tresult VST3_API initialize(FUnknown* context) = 0;
    virtual tresult VST3_API terminate() = 0;
};

class IPluginFactory : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    virtual tresult VST3_API getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 VST3_API countClasses() = 0;
    virtual tresult VST3_API getClassInfo(int32 index, PClassInfo* info) = 0;
    virtual tresult VST3_API createInstance(const char* cid, const char* id, void** obj) = 0;
};

class IPluginFactory2 : public IPluginFactory
{
  public:
    static constexpr TUID iid = MakeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    virtual tresult VST3_API getClassInfo2(int32 index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2
{
  public:
    static constexpr TUID iid = MakeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    virtual tresult VST3_API getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult VST3_API setHostContext(FUnknown* context) = 0;
};

class IBStream : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    virtual tresult VST3_API read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult VST3_API write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult VST3_API seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult VST3_API tell(int64* pos) = 0;
};

class IComponent : public IPluginBase
{
  public:
    static constexpr TUID iid = MakeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    virtual tresult VST3_API getControllerClassId(char classId[16]) = 0;
    virtual tresult VST3_API setIoMode(int32 mode) = 0;
    virtual int32 VST3_API getBusCount(int32 type, int32 dir) = 0;
    virtual tresult VST3_API getBusInfo(int32 type, int32 dir, int32 index, BusInfo* bus) = 0;
    virtual tresult VST3_API getRoutingInfo(RoutingInfo* in, RoutingInfo* out) = 0;
    virtual tresult VST3_API activateBus(int32 type, int32 dir, int32 index, TBool state) = 0;
    virtual tresult VST3_API setActive(TBool state) = 0;
    virtual tresult VST3_API setState(IBStream* state) = 0;
    virtual tresult VST3_API getState(IBStream* state) = 0;
};

class IAudioProcessor : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    virtual tresult VST3_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult VST3_API getBusArrangement(int32 dir, int32 index, SpeakerArrangement* arr) = 0;
    virtual tresult VST3_API canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 VST3_API getLatencySamples() = 0;
    virtual tresult VST3_API setupProcessing(ProcessSetup* setup) = 0;
    virtual tresult VST3_API setProcessing(TBool state) = 0;
    virtual tresult VST3_API process(ProcessData* data) = 0;
    virtual uint32 VST3_API getTailSamples() = 0;
};

class IProcessContextRequirements : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    virtual uint32 VST3_API getProcessContextRequirements() = 0;
};

class IComponentHandler : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    virtual tresult VST3_API beginEdit(ParamID id) = 0;
    virtual tresult VST3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult VST3_API endEdit(ParamID id) = 0;
    virtual tresult VST3_API restartComponent(int32 flags) = 0;
};

class IPlugView;

class IEditController : public IPluginBase
{
  public:
    static constexpr TUID iid = MakeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    virtual tresult VST3_API setComponentState(IBStream* state) = 0;
    virtual tresult VST3_API setState(IBStream* state) = 0;
    virtual tresult VST3_API getState(IBStream* state) = 0;
    virtual int32 VST3_API getParameterCount() = 0;
    virtual tresult VST3_API getParameterInfo(int32 paramIndex, ParameterInfo* info) = 0;
    virtual tresult VST3_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                   char16* string) = 0;
    virtual tresult VST3_API getParamValueByString(ParamID id, char16* string,
                                                   ParamValue* valueNormalized) = 0;
    virtual ParamValue VST3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue VST3_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue VST3_API getParamNormalized(ParamID id) = 0;
    virtual tresult VST3_API setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult VST3_API setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* VST3_API createView(FIDString name) = 0;
};

class IMessage;

class IConnectionPoint : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
    virtual tresult VST3_API connect(IConnectionPoint* other) = 0;
    virtual tresult VST3_API disconnect(IConnectionPoint* other) = 0;
    virtual tresult VST3_API notify(IMessage* message) = 0;
};

class IParamValueQueue : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    virtual ParamID VST3_API getParameterId() = 0;
    virtual int32 VST3_API getPointCount() = 0;
    virtual tresult VST3_API getPoint(int32 index, int32* sampleOffset, ParamValue* value) = 0;
    virtual tresult VST3_API addPoint(int32 sampleOffset, ParamValue value, int32* index) = 0;
};

class IParameterChanges : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    virtual int32 VST3_API getParameterCount() = 0;
    virtual IParamValueQueue* VST3_API getParameterData(int32 index) = 0;
    virtual IParamValueQueue* VST3_API addParameterData(const ParamID* id, int32* index) = 0;
};

class IHostApplication : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
    virtual tresult VST3_API getName(char16* name) = 0;
    virtual tresult VST3_API createInstance(char* cid, char* id, void** obj) = 0;
};

class IPlugFrame : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    virtual tresult VST3_API resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

class IPlugView : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    virtual tresult VST3_API isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult VST3_API attached(void* parent, FIDString type) = 0;
    virtual tresult VST3_API removed() = 0;
    virtual tresult VST3_API onWheel(float distance) = 0;
    virtual tresult VST3_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult VST3_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult VST3_API getSize(ViewRect* size) = 0;
    virtual tresult VST3_API onSize(ViewRect* newSize) = 0;
    virtual tresult VST3_API onFocus(TBool state) = 0;
    virtual tresult VST3_API setFrame(IPlugFrame* frame) = 0;
    virtual tresult VST3_API canResize() = 0;
    virtual tresult VST3_API checkSizeConstraint(ViewRect* rect) = 0;
};

// The Linux host's run loop and the handlers a plug-in registers with it.
class IEventHandler : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    virtual void VST3_API onFDIsSet(int fd) = 0;
};

class ITimerHandler : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    virtual void VST3_API onTimer() = 0;
};

class IRunLoop : public FUnknown
{
  public:
    static constexpr TUID iid = MakeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    virtual tresult VST3_API registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult VST3_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult VST3_API registerTimer(ITimerHandler* handler, uint64 milliseconds) = 0;
    virtual tresult VST3_API unregisterTimer(ITimerHandler* handler) = 0;
};
// clang-format on
} // namespace vst3
