// The whole host toolkit.
#pragma once

#include "host/allocator.h"
#include "host/callback.h"
#include "host/driver.h"
#include "host/filetype.h"
#include "host/module.h"
#include "host/objects.h"
#include "host/render.h"
#include "host/services.h"
#include "host/stream.h"
#include "host/tokens.h"
