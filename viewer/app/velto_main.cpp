// Entry of the dendrogram viewer: `Velto [file]` opens a match file; `/p file` prints it.
#include "viewer/velto_app.h"

int main(int argc, char** argv) {
  velto::CVeltoApp app;
  return app.Run(argc, argv);
}
