// The clustering code's block release, which also frees band records: frees one block of the base
// allocator; null is ignored.
#pragma once

void cluster_free(void* block);
