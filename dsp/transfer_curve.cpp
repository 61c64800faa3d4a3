#include "dsp/transfer_curve.h"

#include <cmath>

namespace kestrelon {

double LUtTransfer::Evaluate(double x)
{
    return 1.0 - std::pow(1.0 / (x + 1.0), exponent);
}

}  // namespace kestrelon
