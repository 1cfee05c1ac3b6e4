#include "model/cluster_free.h"

#include "base/ks_mem.h"

void cluster_free(void* block) {
  ks_free(block);
}
