#include "framework/media/CABCMediaSpec.h"

namespace NSWayfarer
{

CABCMediaSpec::~CABCMediaSpec() = default;

} // namespace NSWayfarer
