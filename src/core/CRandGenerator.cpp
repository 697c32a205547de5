#include "core/CRandGenerator.h"

CRandGenerator& ProcessCRandGenerator() {
    static CRandGenerator generator;
    return generator;
}
