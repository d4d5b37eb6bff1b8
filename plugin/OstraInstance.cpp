#include "plugin/OstraInstance.h"

#include <memory>

#include "effect/XlatEffect.h"
#include "plugin/COstra.h"
#include "plugin/OstraCallbackFillers.h"
#include "vst/FloatingPointScope.h"

AEffect* MakeOstraInstance(audioMasterCallback audioMaster)
{
    // The host that calls this is C: a failed allocation answers "no instance" and leaves nothing
    // behind, instead of throwing into it. The effect is made in the plug-in's floating-point
    // environment, like every later call.
    const CFloatingPointScope floatingPoint;
    try
    {
        const TOstraCallbacks table = MakeOstraCallbacks();
        auto runtime = std::make_unique<TXlatEffect>();
        COstra* plugin =
            CreateOstra(runtime.get(), table, audioMaster, 1, runtime->SliderRecordCount());
        // No instance: the runtime goes with `runtime`, as nothing else would ever free it.
        if (!plugin) return nullptr;
        TXlatEffect* owned = runtime.release(); // the plug-in object's now
        owned->adapter = plugin;
        return plugin->getAeffect();
    }
    catch (...)
    {
        return nullptr;
    }
}
