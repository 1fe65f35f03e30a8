// Linked with one layer whole and the layers below it: it builds only when no file of the
// layer calls into a layer above its own.
int main() {
  return 0;
}
