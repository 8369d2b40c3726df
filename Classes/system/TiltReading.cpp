#include "system/TiltReading.h"

void TiltReading::fromPhoneSensor(const float data[3], double* x, double* y, double* z) {
    *x = -static_cast<double>(data[0]) / kStandardGravity;
    *y = -static_cast<double>(data[1]) / kStandardGravity;
    *z = -static_cast<double>(data[2]) / kStandardGravity;
}

void TiltReading::fromController(const float data[3], double* x, double* y, double* z) {
    *x = static_cast<double>(data[2]) / kStandardGravity;
    *y = static_cast<double>(data[0]) / kStandardGravity;
    *z = -static_cast<double>(data[1]) / kStandardGravity;
}
