#include "app.h"

int main(int argc, char** argv) {
  return vilk::ui::RunApplication(argc, argv);
}
