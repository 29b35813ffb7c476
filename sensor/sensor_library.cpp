// The one SensorLibrary record of the process.
#include "sensor/sensor_library.h"

SensorLibrary sensorLibrary{};
