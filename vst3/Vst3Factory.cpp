#include "vst3/Vst3Factory.h"

#include <cstring>
#include <new>

#include "vst3/Vst3Effect.h"
#include "vst3/Vst3Ids.h"
#include "vst3/Vst3Text.h"

using namespace vst3;
using namespace quar2vst3;

#ifndef QUAR2_VERSION_STRING
#define QUAR2_VERSION_STRING "1.0.0"
#endif

namespace
{
CVst3Factory* living = nullptr;

// What every form of the class info starts with: the class id, any number of instances, the
// category; the rest zero.
template <typename Info> void FillClassIdentity(Info& info)
{
    std::memset(&info, 0, sizeof(info));
    std::memcpy(info.cid, kEffectCid.bytes, 16);
    info.cardinality = kManyInstances;
    vst3text::CopyField(kCategory, info.category, sizeof(info.category));
}
} // namespace

CVst3Factory* CVst3Factory::get()
{
    if (living)
        living->addRef();
    else
        living = new (std::nothrow) CVst3Factory;
    return living;
}

CVst3Factory::~CVst3Factory()
{
    if (hostContext) hostContext->release();
    if (living == this) living = nullptr;
}

tresult VST3_API CVst3Factory::queryInterface(const char* id, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!SameUid(id, FUnknown::iid) && !SameUid(id, IPluginFactory::iid) &&
        !SameUid(id, IPluginFactory2::iid) && !SameUid(id, IPluginFactory3::iid))
        return kNoInterface;
    addRef();
    *obj = static_cast<IPluginFactory3*>(this);
    return kResultOk;
}

uint32 VST3_API CVst3Factory::addRef()
{
    return ++references;
}

uint32 VST3_API CVst3Factory::release()
{
    const uint32 left = --references;
    if (left == 0) delete this;
    return left;
}

tresult VST3_API CVst3Factory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info) return kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    vst3text::CopyField(kVendor, info->vendor, sizeof(info->vendor));
    vst3text::CopyField(kUrl, info->url, sizeof(info->url));
    vst3text::CopyField(kEmail, info->email, sizeof(info->email));
    info->flags = kFactoryUnicode;
    return kResultOk;
}

int32 VST3_API CVst3Factory::countClasses()
{
    return 1;
}

tresult VST3_API CVst3Factory::getClassInfo(int32 index, PClassInfo* info)
{
    if (!info || index != 0) return kInvalidArgument;
    FillClassIdentity(*info);
    vst3text::CopyField(kEffectName, info->name, sizeof(info->name));
    return kResultOk;
}

tresult VST3_API CVst3Factory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (!info || index != 0) return kInvalidArgument;
    FillClassIdentity(*info);
    vst3text::CopyField(kEffectName, info->name, sizeof(info->name));
    info->classFlags = 0; // processor and controller share memory: not distributable
    vst3text::CopyField(kSubCategories, info->subCategories, sizeof(info->subCategories));
    vst3text::CopyField(kVendor, info->vendor, sizeof(info->vendor));
    vst3text::CopyField(QUAR2_VERSION_STRING, info->version, sizeof(info->version));
    vst3text::CopyField(kSdkVersion, info->sdkVersion, sizeof(info->sdkVersion));
    return kResultOk;
}

tresult VST3_API CVst3Factory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    if (!info || index != 0) return kInvalidArgument;
    FillClassIdentity(*info);
    vst3text::ToUtf16(kEffectName, info->name, 64);
    info->classFlags = 0;
    vst3text::CopyField(kSubCategories, info->subCategories, sizeof(info->subCategories));
    vst3text::ToUtf16(kVendor, info->vendor, 64);
    vst3text::ToUtf16(QUAR2_VERSION_STRING, info->version, 64);
    vst3text::ToUtf16(kSdkVersion, info->sdkVersion, 64);
    return kResultOk;
}

tresult VST3_API CVst3Factory::createInstance(const char* cid, const char* id, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !id) return kInvalidArgument;
    if (!SameUid(cid, kEffectCid)) return kNoInterface;
    CVst3Effect* effect = new (std::nothrow) CVst3Effect;
    if (!effect) return kOutOfMemory;
    // The host's reference comes from queryInterface; ours goes.
    const tresult result = effect->queryInterface(id, obj);
    effect->release();
    return result;
}

tresult VST3_API CVst3Factory::setHostContext(FUnknown* context)
{
    if (context) context->addRef();
    if (hostContext) hostContext->release();
    hostContext = context;
    return kResultOk;
}
