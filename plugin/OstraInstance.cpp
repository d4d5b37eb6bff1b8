#include "plugin/OstraInstance.h"

#include "effect/XlatEffect.h"
#include "plugin/COstra.h"
#include "plugin/OstraRuntimeCallbacks.h"

AEffect* MakeOstraInstance(audioMasterCallback audioMaster)
{
    const TOstraCallbacks table = MakeOstraCallbacks();
    auto* runtime = new TXlatEffect();
    COstra* plugin = CreateOstra(runtime, table, audioMaster, 1, runtime->SliderRecordCount());
    if (!plugin)
    {
        // No instance: nothing else would ever free the runtime.
        delete runtime;
        return nullptr;
    }
    runtime->adapter = plugin;
    return plugin->getAeffect();
}
