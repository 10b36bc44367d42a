// The product's document type and the web-page associations it repairs.
#pragma once

// 0 if a needed write failed or the document type could not be registered, else 1.
int setUpFileAssociations();
