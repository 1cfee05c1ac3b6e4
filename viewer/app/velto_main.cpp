// Entry of the dendrogram viewer. Its windows come with the viewer's shell.
int main(int, char**) { return 0; }
