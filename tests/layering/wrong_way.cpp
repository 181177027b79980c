// Not compiled: the layers' include check reads it (tests/CMakeLists.txt, layering_check).
#include "browser/frm_main.h"
#include "config/model/config_form.h"
#include "platform/linux/curl_internet.h"
