#include "core/CRandGenerator.h"

namespace core {

CRandGenerator& ProcessCRandGenerator() {
    static CRandGenerator generator;
    return generator;
}

}  // namespace core
