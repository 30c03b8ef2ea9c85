#include "tools/zrsim/simfeature.h"

// Declares the factory in place, so a feature needs exactly one line below.
#define ZRSIM_FEATURE(factory) { SimFeature *factory(); features << factory(); }

// One line per feature, in dispatch order; each lives in a source file of
// its own. The debug switch comes before the item writes it shares a shape with.
QList<SimFeature *> createSimFeatures()
{
    QList<SimFeature *> features;
    ZRSIM_FEATURE(createSimDebug)
    ZRSIM_FEATURE(createSimItems)
    ZRSIM_FEATURE(createSimClock)
    ZRSIM_FEATURE(createSimSerialNumber)
    ZRSIM_FEATURE(createSimHistory) // ahead of flash, whose frames share its 7E 05 02 head
    ZRSIM_FEATURE(createSimFlash)
    return features;
}
