#include "app/program_config.h"
