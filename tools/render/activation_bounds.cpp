#include "activation_bounds.h"

#include <tdf_objects.h>

std::vector<const TDFObject*> activationBounds(const TDFInstance* instance)
{
    std::vector<const TDFObject*> bounds;
    if (!instance->hasActivation())
        return bounds;
    if (instance->creationMessage)
        bounds.push_back(instance->creationMessage);
    if (instance->activations) {
        const Array<TDFObject*>& recorded = *instance->activations;
        for (int i = 0; i < recorded.count; ++i)
            bounds.push_back(recorded[i]);
    }
    return bounds;
}
