#include "follower/engine/follower.h"
