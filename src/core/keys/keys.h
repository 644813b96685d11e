// Everything about keys: ids, the key table, the fixed lists, conversions and names.
#pragma once

#include "core/keys/evdev_keys.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_id.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"
#include "core/keys/key_table.h"
