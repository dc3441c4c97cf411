#include "commands/DecoderOptions.h"
#include "system/RegistryAccess.h"

namespace {

const char FFDSHOW_KEY[] = "Software\\GNU\\ffdshow";

}  // namespace

void SetFfdshowOptions() {
    if (CRegistryAccess::WriteDwordInExistingKey(HKEY_CURRENT_USER, FFDSHOW_KEY, "mpg2", 1))
        CRegistryAccess::WriteDwordInExistingKey(HKEY_CURRENT_USER, FFDSHOW_KEY, "cram", 0);
}
