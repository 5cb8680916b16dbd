#include "image/drawing_surface.h"
