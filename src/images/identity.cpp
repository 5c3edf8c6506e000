#include "images/identity.h"

char fw_revision[FW_REVISION_CHARS + 1] = "1916";
char serial_number[SERIAL_NUMBER_CHARS + 1] = "";
char model_number[MODEL_NUMBER_CHARS + 1] = "MARDUVEN SKELDRIN-SATA";
