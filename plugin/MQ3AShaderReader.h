#pragma once

#include "MQ3AShaderWriter.h"
#include "MShaderLexer.h"
#include "MStr.h"

#include <string>
#include <unordered_map>

class MBaseObjectTreeNode;
class MBaseShaderNode;
class MDeformVertsShaderNode;
class MMaterial;
class MMaterialLayer;
class MQERadiantShaderNode;
class MScene;
class MSystemManager;

// Reads one shader script into a scene: one material per shader, its option
// layer of shader-wide nodes first, then one layer per stage. Lines no table
// knows are kept as MVerbatimShaderNode, so nothing the author wrote is lost.
class MQ3AShaderReader
{
  public:
    MQ3AShaderReader(std::string text, MScene* scene);

    // Reads every shader; returns the count of materials read whole.
    int ReadAll();
    // Materials added to the scene, also one left empty by a missing "{".
    int GetMaterialsAdded() const { return m_MaterialsAdded; }
    // Reads one shader; null at the end of the text or when the shader's
    // "{" is missing (which ends the import).
    MMaterial* ReadShader();

    // A shader-wide node named when its shader starts (so names come out in
    // a fixed order) but made only when a line needs it. It holds the
    // reader's reference until the shader ends.
    template <class T> class LazyNode
    {
      public:
        explicit LazyNode(MStr name) : m_Name(std::move(name)) {}
        LazyNode(const LazyNode&) = delete;
        LazyNode& operator=(const LazyNode&) = delete;
        ~LazyNode() { Reset(MStr()); }
        T* Get()
        {
            if (!m_Node)
            {
                m_Node = new T();
                m_Node->SetName(m_Name);
                m_Node->AddRef();
            }
            return m_Node;
        }
        T* Peek() const { return m_Node; }
        // Drops the reader's reference and names the next node.
        void Reset(MStr name)
        {
            if (m_Node)
                m_Node->Delete();
            m_Node = nullptr;
            m_Name = std::move(name);
        }

      private:
        MStr m_Name;
        T* m_Node = nullptr;
    };

  private:
    void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // True when the word is a QER keyword: read into the node (setting
    // `used`), or kept as a verbatim line when its value is not a number
    // where one belongs.
    bool ReadQerKeyword(const MStr& word, LazyNode<MQERadiantShaderNode>& qer, bool& used);
    bool ReadDeformVertexes(const MStr& word, LazyNode<MDeformVertsShaderNode>& deform);
    void ReadWave(MBaseShaderNode* node);
    // Reads three numbers, bare or between parentheses; returns them joined
    // by single blanks.
    MStr ReadVector();
    // Reads an argument word. A free-standing "}" is not taken: it still
    // closes its block.
    MStr ReadArg();

    MMaterialLayer* ReadStage(MBaseObjectTreeNode* materialNode);
    MBaseShaderNode* ReadMap(MMaterialLayer* layer);
    MBaseShaderNode* ReadAnimMap(MMaterialLayer* layer);
    MBaseShaderNode* ReadColourGen(MMaterialLayer* layer, bool alpha);
    MBaseShaderNode* ReadBlendFunc(MMaterialLayer* layer);
    MBaseShaderNode* ReadAlphaFunc(MMaterialLayer* layer);
    MBaseShaderNode* ReadTCMod(MMaterialLayer* layer);
    MBaseShaderNode* ReadTCGen(MMaterialLayer* layer);
    // Keeps `keyword` and the rest of its line (after `lead`, words the
    // reader already took) in a new, unnamed verbatim node.
    MBaseShaderNode* KeepLine(const MStr& keyword, const MStr& lead);
    // Names a new node from its base name and adds it to the layer.
    MBaseShaderNode* Attach(MBaseShaderNode* node, MMaterialLayer* layer);

    // The shader being read: its option layer and that layer's tree node.
    void AddToOption(MBaseShaderNode* node);
    // Notes a shader-wide line that sets a single value (a QER keyword, a
    // surface word, the sun, the sky). When the same value was set before,
    // the earlier line is kept as a verbatim node where it stood, and the node
    // keeps the last value, as the game reads it.
    void NoteShaderWideLine(const MStr& key, size_t lineStart);

    struct SeenLine
    {
        size_t start, end; // the line's text in the script
        int index;         // where it stood among the option layer's nodes
        long order;        // the order lines were read in, to settle equal places
    };

    MShaderLexer m_Lexer;
    MQ3AShaderWriter m_Probe; // tells whether a QER node would write anything
    MMaterialLayer* m_Option = nullptr;
    MBaseObjectTreeNode* m_OptionNode = nullptr;
    std::unordered_map<std::string, SeenLine> m_Seen;
    long m_LineOrder = 0;
    MScene* m_Scene;
    MSystemManager* m_Manager;
    int m_MaterialsAdded = 0;
    MStr m_DeformType; // the type word an unknown deformVertexes line consumed
};
