#include "MQ3AShaderTranslator.h"

bool MQ3AShaderTranslator::CanImportFile(MStr fileName)
{
    MStr ext;
    fileName.SplitPath(nullptr, nullptr, nullptr, &ext);
    return ext.CompareNoCase(".shader") == 0;
}

bool MQ3AShaderTranslator::ImportFile(MStr, MScene*) { return false; }

bool MQ3AShaderTranslator::ExportFile(MStr, MScene*) { return false; }
