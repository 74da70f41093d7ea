#include "os/Errors.h"
