<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="pt_BR">
<context>
    <name>QObject</name>
    <message>
        <source>linha não exportada (linha %1): %2</source>
        <translation>line not exported (line %1): %2</translation>
    </message>
    <message>
        <source>pad não exportado (linha %1): %2</source>
        <translation>pad not exported (line %1): %2</translation>
    </message>
    <message>
        <source>nome de pad cortado em 49 bytes: %1</source>
        <translation>pad name cut at 49 bytes: %1</translation>
    </message>
    <message>
        <source>%1: já existe um arquivo diferente, não substituído</source>
        <translation>%1: a different file exists already, not replaced</translation>
    </message>
    <message>
        <source>%1: não é um arquivo comum, não substituído</source>
        <translation>%1: not a regular file, not replaced</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: nome vazio ou com caracteres de controle, não exportado</source>
        <translation>&quot;%1&quot;: empty name or one with control characters, not exported</translation>
    </message>
    <message>
        <source>%1: falha ao gravar: %2</source>
        <translation>%1: writing failed: %2</translation>
    </message>
    <message>
        <source>Exportação para %1:
%2 gravados, %3 sem mudança, %4 substituídos, %5 recusados, %6 com falha.</source>
        <translation>Export to %1:
%2 written, %3 unchanged, %4 replaced, %5 refused, %6 failed.</translation>
    </message>
    <message>
        <source>
%1 módulos com observações (ver detalhes).</source>
        <translation>
%1 modules with remarks (see details).</translation>
    </message>
    <message>
        <source>
Exportação interrompida.</source>
        <translation>
Export stopped.</translation>
    </message>
    <message>
        <source>Exportando para KiCad...</source>
        <translation>Exporting to KiCad...</translation>
    </message>
    <message>
        <source>1 arquivo diferente já estava na pasta e não foi substituído. Substituí-lo pelo exportado?</source>
        <translation>1 different file was already in the folder and was not replaced. Replace it with the exported one?</translation>
    </message>
    <message>
        <source>%1 arquivos diferentes já estavam na pasta e não foram substituídos. Substituí-los pelos exportados?</source>
        <translation>%1 different files were already in the folder and were not replaced. Replace them with the exported ones?</translation>
    </message>
    <message>
        <source>Escolher...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>Biblioteca (.pretty):</source>
        <translation>Library (.pretty):</translation>
    </message>
    <message>
        <source>Tabela global (%1)</source>
        <translation>Global table (%1)</translation>
    </message>
    <message>
        <source>Tabela global (ainda não existe: %1)</source>
        <translation>Global table (does not exist yet: %1)</translation>
    </message>
    <message>
        <source>Tabela do projeto em:</source>
        <translation>Project table in:</translation>
    </message>
    <message>
        <source>Tabela:</source>
        <translation>Table:</translation>
    </message>
    <message>
        <source>Apelido:</source>
        <translation>Nickname:</translation>
    </message>
    <message>
        <source>O KiCad ainda não tem tabela global de bibliotecas de footprints (%1). Criar uma com as bibliotecas padrão do KiCad e esta?</source>
        <translation>KiCad has no global footprint library table yet (%1). Create one with KiCad&apos;s standard libraries and this one?</translation>
    </message>
    <message>
        <source>O projeto ainda não tem tabela de bibliotecas de footprints (%1). Criar uma com esta biblioteca?</source>
        <translation>The project has no footprint library table yet (%1). Create one with this library?</translation>
    </message>
    <message>
        <source>Biblioteca adicionada a %1 como &quot;%2&quot; (%3).</source>
        <translation>Library added to %1 as &quot;%2&quot; (%3).</translation>
    </message>
    <message>
        <source>A tabela %1 já tem uma biblioteca chamada &quot;%2&quot;; escolha outro apelido.</source>
        <translation>The table %1 already has a library called &quot;%2&quot;; choose another nickname.</translation>
    </message>
    <message>
        <source>&amp;Idioma</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>A biblioteca %1 não existe mais e saiu da lista de recentes.</source>
        <translation>The library %1 no longer exists and was taken off the recent list.</translation>
    </message>
    <message>
        <source>Copiar módulos</source>
        <translation>Copy modules</translation>
    </message>
    <message>
        <source>Apagar módulos</source>
        <translation>Delete modules</translation>
    </message>
    <message>
        <source>Renomear módulo</source>
        <translation>Rename module</translation>
    </message>
    <message>
        <source>Editar comandos</source>
        <translation>Edit commands</translation>
    </message>
    <message>
        <source>Tirar prefixo</source>
        <translation>Strip prefix</translation>
    </message>
    <message>
        <source>Copiar nome</source>
        <translation>Copy name</translation>
    </message>
    <message>
        <source>Nova biblioteca</source>
        <translation>New library</translation>
    </message>
    <message>
        <source>As mudanças em %1 não foram salvas. Salve-as para não perdê-las.</source>
        <translation>The changes to %1 have not been saved. Save them so as not to lose them.</translation>
    </message>
    <message>
        <source>&amp;Salvar</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Descartar</source>
        <translation>&amp;Discard</translation>
    </message>
    <message>
        <source>&amp;Cancelar</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>O arquivo %1 foi mudado por outro programa depois de carregado. Salvar por cima dessa mudança?</source>
        <translation>The file %1 was changed by another program after it was loaded. Save over that change?</translation>
    </message>
    <message>
        <source>Salvar por cima</source>
        <translation>Save over it</translation>
    </message>
    <message>
        <source>Cancelar</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Substituir</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>&amp;Manter</source>
        <translation>&amp;Keep</translation>
    </message>
    <message>
        <source>Sobre o Trevak</source>
        <translation>About Trevak</translation>
    </message>
    <message>
        <source>&amp;Copiar para edição</source>
        <translation>&amp;Copy to edit library</translation>
    </message>
    <message>
        <source>&amp;Apagar módulos</source>
        <translation>&amp;Delete modules</translation>
    </message>
    <message>
        <source>Re&amp;nomear</source>
        <translation>Re&amp;name</translation>
    </message>
    <message>
        <source>&amp;Localizar</source>
        <translation>&amp;Find</translation>
    </message>
    <message>
        <source>&amp;Desfazer</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Refazer</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Trevak %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Criação e cópia de módulos (footprints) para o KiCad.&lt;/p&gt;&lt;p&gt;Lê bibliotecas de módulos do KiCad em formato antigo (&lt;tt&gt;.mod&lt;/tt&gt;, &lt;tt&gt;PCBNEW-LibModule-V1&lt;/tt&gt;), placas &lt;tt&gt;.brd&lt;/tt&gt; e pastas &lt;tt&gt;.pretty&lt;/tt&gt; de pegadas &lt;tt&gt;.kicad_mod&lt;/tt&gt;, e as tabelas de bibliotecas do KiCad (&lt;tt&gt;fp-lib-table&lt;/tt&gt;). Grava bibliotecas &lt;tt&gt;.mod&lt;/tt&gt; e exporta pastas &lt;tt&gt;.pretty&lt;/tt&gt; para o KiCad atual.&lt;/p&gt;&lt;p&gt;Licença: GNU GPL versão 3 ou posterior (GPL-3.0-or-later). Sem garantia alguma.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Trevak %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Creating and copying modules (footprints) for KiCad.&lt;/p&gt;&lt;p&gt;Reads KiCad module libraries in the legacy format (&lt;tt&gt;.mod&lt;/tt&gt;, &lt;tt&gt;PCBNEW-LibModule-V1&lt;/tt&gt;), &lt;tt&gt;.brd&lt;/tt&gt; boards and &lt;tt&gt;.pretty&lt;/tt&gt; folders of &lt;tt&gt;.kicad_mod&lt;/tt&gt; footprints, and KiCad&apos;s library tables (&lt;tt&gt;fp-lib-table&lt;/tt&gt;). Writes &lt;tt&gt;.mod&lt;/tt&gt; libraries and exports &lt;tt&gt;.pretty&lt;/tt&gt; folders for current KiCad.&lt;/p&gt;&lt;p&gt;Licence: GNU GPL version 3 or later (GPL-3.0-or-later). No warranty whatsoever.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>A&amp;juda</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Sobre o Trevak...</source>
        <translation>&amp;About Trevak...</translation>
    </message>
    <message>
        <source>Exportar biblioteca de edição para KiCad (.pretty)...</source>
        <translation>Export edit library to KiCad (.pretty)...</translation>
    </message>
    <message>
        <source>Adicionar à tabela de bibliotecas do KiCad...</source>
        <translation>Add to KiCad&apos;s library table...</translation>
    </message>
    <message>
        <source>Biblioteca atual modificada, descartar?</source>
        <translation>Current library modified, discard?</translation>
    </message>
</context>
<context>
    <name>trevak</name>
    <message>
        <source>--search precisa do nome de uma biblioteca</source>
        <translation>--search needs the name of a library</translation>
    </message>
    <message>
        <source>--project precisa da pasta de um projeto do KiCad</source>
        <translation>--project needs the folder of a KiCad project</translation>
    </message>
    <message>
        <source>--lang precisa de pt ou en: %1</source>
        <translation>--lang needs pt or en: %1</translation>
    </message>
    <message>
        <source>opção desconhecida: %1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>só uma biblioteca de edição: %1</source>
        <translation>only one edit library: %1</translation>
    </message>
    <message>
        <source>Uso: trevak [EDICAO.mod] [--search PESQUISA.mod|PASTA] [--search OUTRA.mod ...] [--kicad [--project PASTA]] [--lang pt|en] [--no-settings]</source>
        <translation>Usage: trevak [EDIT.mod] [--search SEARCH.mod|FOLDER] [--search OTHER.mod ...] [--kicad [--project FOLDER]] [--lang pt|en] [--no-settings]</translation>
    </message>
    <message>
        <source>  EDICAO.mod              biblioteca carregada para edição
  --search PESQUISA.mod   biblioteca ou pasta carregada para pesquisa; repetida, um conjunto
  --kicad                 carrega para pesquisa as bibliotecas da tabela do KiCad
  --project PASTA         com --kicad, também a tabela do projeto do KiCad nessa pasta
  --lang pt|en            o idioma da janela: português (o padrão) ou inglês
  --no-settings           começa sem as preferências guardadas e não as grava
  -h, --help              este texto
  --version               a versão do programa
</source>
        <translation>  EDIT.mod                library loaded for editing
  --search SEARCH.mod     library or folder loaded for searching; repeated, one set
  --kicad                 loads the libraries of KiCad&apos;s table for searching
  --project FOLDER        with --kicad, also the table of the KiCad project in that folder
  --lang pt|en            the window&apos;s language: Portuguese (the default) or English
  --no-settings           starts without the remembered preferences and writes none
  -h, --help              this text
  --version               the program&apos;s version
</translation>
    </message>
</context>
<context>
    <name>trevak::ExactPanes</name>
    <message>
        <source>(1/10000 pol)</source>
        <translation>(1/10000 in)</translation>
    </message>
    <message>
        <source>círculo</source>
        <translation>circle</translation>
    </message>
    <message>
        <source>retângulo</source>
        <translation>rectangle</translation>
    </message>
    <message>
        <source>oval</source>
        <translation>oval</translation>
    </message>
    <message>
        <source>trapézio</source>
        <translation>trapezoid</translation>
    </message>
    <message numerus="yes">
        <source>personalizada (âncora %1, %n primitiva(s))</source>
        <translation>
            <numerusform>custom (anchor %1, %n primitive)</numerusform>
            <numerusform>custom (anchor %1, %n primitives)</numerusform>
        </translation>
    </message>
    <message>
        <source>retângulo chanfrado</source>
        <translation>chamfered rectangle</translation>
    </message>
    <message>
        <source>retângulo arredondado</source>
        <translation>rounded rectangle</translation>
    </message>
    <message>
        <source>Ilha %1
Forma: %2</source>
        <translation>Pad %1
Shape: %2</translation>
    </message>
    <message>
        <source>
Tamanho: %1 × %2 %3</source>
        <translation>
Size: %1 × %2 %3</translation>
    </message>
    <message>
        <source>
Furo: oval %1 × %2 %3</source>
        <translation>
Drill: oval %1 × %2 %3</translation>
    </message>
    <message>
        <source>
Furo: %1 %2</source>
        <translation>
Drill: %1 %2</translation>
    </message>
    <message>
        <source>
Furo: nenhum</source>
        <translation>
Drill: none</translation>
    </message>
    <message>
        <source> (cobre deslocado %1; %2)</source>
        <translation> (copper offset %1; %2)</translation>
    </message>
    <message>
        <source>Desenho exato</source>
        <translation>Exact drawing</translation>
    </message>
    <message>
        <source>Desenha cada ilha, linha, polígono e texto na forma, ângulo e camada reais</source>
        <translation>Draws every pad, line, polygon and text in its real shape, angle and layer</translation>
    </message>
    <message>
        <source>pt_BR</source>
        <comment>the locale whose numbers the pad hints write</comment>
        <translation>en_US</translation>
    </message>
</context>
<context>
    <name>trevak::LoadWarningsPanel</name>
    <message>
        <source>Clique para ver a lista dos avisos</source>
        <translation>Click to see the list of warnings</translation>
    </message>
    <message>
        <source>Fechar os avisos</source>
        <translation>Close the warnings</translation>
    </message>
    <message>
        <source>(cabeçalho)</source>
        <translation>(header)</translation>
    </message>
    <message>
        <source>a primeira linha não começa com PCBNEW-LibModule-V</source>
        <translation>the first line does not start with PCBNEW-LibModule-V</translation>
    </message>
    <message>
        <source>nome com mais de 60 bytes; ferramentas antigas o cortam em 60 (%1)</source>
        <translation>name over 60 bytes; older tools cut it at 60 (%1)</translation>
    </message>
    <message>
        <source>ferramentas antigas dão a este e a outro módulo o mesmo nome %1</source>
        <translation>older tools give this and another module the same name %1</translation>
    </message>
    <message>
        <source>nome com espaço; ferramentas antigas o cortam no espaço (%1)</source>
        <translation>name with a blank; older tools cut it at the blank (%1)</translation>
    </message>
    <message>
        <source>nome com aspas; ferramentas antigas o cortam ou tiram as aspas (%1)</source>
        <translation>name with quotes; older tools cut it or drop the quotes (%1)</translation>
    </message>
    <message>
        <source>módulo sem linha $EndMODULE</source>
        <translation>module without an $EndMODULE line</translation>
    </message>
    <message>
        <source>nome repetido %1 vezes no arquivo</source>
        <translation>name repeated %1 times in the file</translation>
    </message>
    <message>
        <source>linha Units que o KiCad ignora, medidas em décimos de mil (%1)</source>
        <translation>a Units line KiCad ignores; lengths are read in decimils (%1)</translation>
    </message>
    <message>
        <source>1 aviso em %1</source>
        <translation>1 warning in %1</translation>
    </message>
    <message>
        <source>%1 avisos em %2</source>
        <translation>%1 warnings in %2</translation>
    </message>
    <message>
        <source>Módulo</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>Aviso</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Avisos da carga de %1</source>
        <translation>Warnings from loading %1</translation>
    </message>
</context>
<context>
    <name>trevak::ModuleListModel</name>
    <message>
        <source>biblioteca</source>
        <translation>library</translation>
    </message>
</context>
<context>
    <name>trevak::PrettyEditLibrary</name>
    <message>
        <source>%1 (linha %2): %3</source>
        <translation>%1 (line %2): %3</translation>
    </message>
    <message>
        <source>Nada foi salvo: um nome não pode ser nome de arquivo de pegada: %1</source>
        <translation>Nothing was saved: a name cannot be a footprint file name: %1</translation>
    </message>
    <message>
        <source>Nada foi salvo: pegadas dariam arquivos de mesmo nome (maiúsculas e minúsculas não contam): %1</source>
        <translation>Nothing was saved: footprints would give files of one name (letter case aside): %1</translation>
    </message>
    <message>
        <source>Nada foi salvo: no lugar de %1 há algo que não é um arquivo</source>
        <translation>Nothing was saved: where %1 should be there is something that is not a file</translation>
    </message>
    <message>
        <source>Nada foi salvo: %1 mudou no disco depois de carregado</source>
        <translation>Nothing was saved: %1 changed on disk after it was loaded</translation>
    </message>
    <message>
        <source>%1: não pode ser nome de arquivo (%2)</source>
        <translation>%1: cannot be a file name (%2)</translation>
    </message>
    <message>
        <source>%1: já existe</source>
        <translation>%1: already exists</translation>
    </message>
    <message>
        <source>Nenhuma pasta .pretty carregada</source>
        <translation>No .pretty folder loaded</translation>
    </message>
    <message>
        <source>Nada foi salvo: estes módulos não dão arquivos .kicad_mod:
</source>
        <translation>Nothing was saved: these modules give no .kicad_mod files:
</translation>
    </message>
    <message>
        <source>

O que a conversão deixou de fora:
</source>
        <translation>

What the conversion left out:
</translation>
    </message>
    <message>
        <source>Nada foi salvo: %1 já existe e não é uma pasta vazia; uma biblioteca .pretty é salva como pasta nova.</source>
        <translation>Nothing was saved: %1 exists and is not an empty folder; a .pretty library is saved as a new folder.</translation>
    </message>
    <message>
        <source>Nada foi salvo: a pasta %1 não pôde ser criada (%2).</source>
        <translation>Nothing was saved: the folder %1 could not be made (%2).</translation>
    </message>
    <message>
        <source>Não salvo: %1 foi mudado por outro programa</source>
        <translation>Not saved: %1 was changed by another program</translation>
    </message>
    <message>
        <source>A pasta %1 foi salva só em parte: %2.</source>
        <translation>The folder %1 was saved only in part: %2.</translation>
    </message>
    <message>
        <source>Nenhuma pegada se perdeu; salvar de novo termina o trabalho.</source>
        <translation>No footprint was lost; saving again finishes the job.</translation>
    </message>
    <message>
        <source>Nada mudou: nenhum arquivo escrito em %1</source>
        <translation>Nothing changed: no file written in %1</translation>
    </message>
    <message>
        <source>Pasta salva: %1 arquivo(s) escrito(s), %2 removido(s) em %3</source>
        <translation>Folder saved: %1 file(s) written, %2 removed in %3</translation>
    </message>
    <message>
        <source>O nome &quot;%1&quot; não pode ser nome de arquivo de pegada (%2).</source>
        <translation>The name &quot;%1&quot; cannot be a footprint file name (%2).</translation>
    </message>
    <message>
        <source>O nome &quot;%1&quot; não cabe num arquivo .kicad_mod (só UTF-8).</source>
        <translation>The name &quot;%1&quot; does not fit in a .kicad_mod file (UTF-8 only).</translation>
    </message>
    <message>
        <source>O texto da pegada não pôde ser lido (%1); o nome fica como era.</source>
        <translation>The footprint&apos;s text could not be read (%1); the name stays as it was.</translation>
    </message>
    <message>
        <source>KiCad %1</source>
        <translation>KiCad %1</translation>
    </message>
    <message>
        <source>KiCad 10</source>
        <translation>KiCad 10</translation>
    </message>
</context>
<context>
    <name>trevak::SearchPane</name>
    <message>
        <source>Não foi possível carregar 1 arquivo:</source>
        <translation>1 file could not be loaded:</translation>
    </message>
    <message>
        <source>Não foi possível carregar %1 arquivos:</source>
        <translation>%1 files could not be loaded:</translation>
    </message>
    <message>
        <source>
... e mais %1</source>
        <translation>
... and %1 more</translation>
    </message>
    <message>
        <source>1 módulo carregado em %1</source>
        <translation>1 module loaded in %1</translation>
    </message>
    <message>
        <source>%1 módulos carregados em %2</source>
        <translation>%1 modules loaded in %2</translation>
    </message>
    <message>
        <source>, 1 mostrado pelo filtro</source>
        <translation>, 1 shown by the filter</translation>
    </message>
    <message>
        <source>, %1 mostrados pelo filtro</source>
        <translation>, %1 shown by the filter</translation>
    </message>
    <message>
        <source>1 biblioteca</source>
        <translation>1 library</translation>
    </message>
    <message>
        <source>%1 bibliotecas</source>
        <translation>%1 libraries</translation>
    </message>
    <message>
        <source>Filtrar por nome, descrição, palavras-chave...</source>
        <translation>Filter by name, description, keywords...</translation>
    </message>
    <message>
        <source>Mostra os módulos que contêm todas as palavras (Esc limpa, Ctrl+F)</source>
        <translation>Shows the modules that hold every word (Esc clears, Ctrl+F)</translation>
    </message>
    <message>
        <source>Carregando bibliotecas...</source>
        <translation>Loading libraries...</translation>
    </message>
    <message>
        <source>Cancelar</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Nenhuma biblioteca (*.mod ou .pretty) em %1</source>
        <translation>No library (*.mod or .pretty) in %1</translation>
    </message>
    <message>
        <source>%1 (%2 bibliotecas)</source>
        <translation>%1 (%2 libraries)</translation>
    </message>
</context>
<context>
    <name>trevak::TfTrevak</name>
    <message>
        <source>Trevak %1 - Criação/cópia de módulos p/KiCad</source>
        <translation>Trevak %1 - Creating/copying modules for KiCad</translation>
    </message>
    <message>
        <source>Modulos (*.mod)</source>
        <translation>Modules (*.mod)</translation>
    </message>
    <message>
        <source>PCBs (*.brd)</source>
        <translation>PCBs (*.brd)</translation>
    </message>
    <message>
        <source>Todos arquivos (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Módulos (*.mod)</source>
        <translation>Modules (*.mod)</translation>
    </message>
    <message>
        <source>Conteúdo</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>Comandos</source>
        <translation>Commands</translation>
    </message>
    <message>
        <source>testes</source>
        <translation>tests</translation>
    </message>
    <message>
        <source>Edição</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Carregar biblioteca</source>
        <translation>Load library</translation>
    </message>
    <message>
        <source>Nova biblioteca</source>
        <translation>New library</translation>
    </message>
    <message>
        <source>Salvar ...</source>
        <translation>Save ...</translation>
    </message>
    <message>
        <source>Apagar...</source>
        <translation>Delete...</translation>
    </message>
    <message>
        <source>Tirar prefixo..</source>
        <translation>Strip prefix..</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>copiar nome</source>
        <translation>copy name</translation>
    </message>
    <message>
        <source>Apresentar textos</source>
        <translation>Show texts</translation>
    </message>
    <message>
        <source>Apagar</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Converter</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>+ Zoom</source>
        <translation>+ Zoom</translation>
    </message>
    <message>
        <source>- Zoom</source>
        <translation>- Zoom</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Primeiro</source>
        <translation>First</translation>
    </message>
    <message>
        <source>Proximo</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Anterior</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>Último</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>Pesquisa</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Carregar origem</source>
        <translation>Load search library</translation>
    </message>
    <message>
        <source>Copiar...</source>
        <translation>Copy...</translation>
    </message>
    <message>
        <source>&amp;Arquivo</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Carregar biblioteca de pesquisa...</source>
        <translation>Load search library...</translation>
    </message>
    <message>
        <source>Carregar pasta de pesquisa...</source>
        <translation>Load search folder...</translation>
    </message>
    <message>
        <source>Carregar bibliotecas do KiCad</source>
        <translation>Load KiCad&apos;s libraries</translation>
    </message>
    <message>
        <source>Carregar biblioteca para edição...</source>
        <translation>Load library for editing...</translation>
    </message>
    <message>
        <source>Salvar</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Salvar como...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Criar nova biblioteca para edição</source>
        <translation>Create new library for editing</translation>
    </message>
    <message>
        <source>Sair</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>&amp;Editar</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>Desfazer</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Refazer</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>E&amp;xibir</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>O idioma muda quando o Trevak for aberto de novo</source>
        <translation>The language changes when Trevak is opened again</translation>
    </message>
    <message>
        <source>O arquivo &quot;%1&quot; não é uma biblioteca de módulos do KiCad: a primeira linha não começa com PCBNEW-LibModule-V e não há nenhuma linha $MODULE.</source>
        <translation>The file &quot;%1&quot; is not a KiCad module library: its first line does not start with PCBNEW-LibModule-V and it holds no $MODULE line.</translation>
    </message>
    <message>
        <source>(sem nome)</source>
        <translation>(no name)</translation>
    </message>
    <message>
        <source>%1 em %2</source>
        <translation>%1 in %2</translation>
    </message>
    <message>
        <source>módulo carregado</source>
        <translation>module loaded</translation>
    </message>
    <message>
        <source>módulos carregados</source>
        <translation>modules loaded</translation>
    </message>
    <message>
        <source>Módulos e pegadas KiCad (*.mod *.kicad_mod)</source>
        <translation>KiCad modules and footprints (*.mod *.kicad_mod)</translation>
    </message>
    <message>
        <source>Não salvo: o arquivo foi mudado por outro programa</source>
        <translation>Not saved: the file was changed by another program</translation>
    </message>
    <message>
        <source>Biblioteca salva em %1</source>
        <translation>Library saved in %1</translation>
    </message>
    <message>
        <source> (o dono e o grupo do arquivo não puderam ser mantidos)</source>
        <translation> (the file&apos;s owner and group could not be kept)</translation>
    </message>
    <message>
        <source> (o dono do arquivo não pôde ser mantido)</source>
        <translation> (the file&apos;s owner could not be kept)</translation>
    </message>
    <message>
        <source>Salvar Biblioteca</source>
        <translation>Save Library</translation>
    </message>
    <message>
        <source>módulo apagado</source>
        <translation>module deleted</translation>
    </message>
    <message>
        <source>módulos apagados</source>
        <translation>modules deleted</translation>
    </message>
    <message>
        <source>1 já existe</source>
        <translation>1 exists already</translation>
    </message>
    <message>
        <source>Pegadas .kicad_mod não cabem numa biblioteca .mod; use a exportação para uma pasta .pretty.

Não copiados:
</source>
        <translation>.kicad_mod footprints do not fit in a .mod library; use the export to a .pretty folder.

Not copied:
</translation>
    </message>
    <message>
        <source>Não copiados:
</source>
        <translation>Not copied:
</translation>
    </message>
    <message>
        <source>módulo copiado</source>
        <translation>module copied</translation>
    </message>
    <message>
        <source>módulos copiados</source>
        <translation>modules copied</translation>
    </message>
    <message>
        <source>já existe</source>
        <translation>exists already</translation>
    </message>
    <message>
        <source>já existem</source>
        <translation>exist already</translation>
    </message>
    <message>
        <source>Nenhum nome com o prefixo %1</source>
        <translation>No name with the prefix %1</translation>
    </message>
    <message>
        <source>Prefixo %1 tirado dos nomes</source>
        <translation>Prefix %1 stripped from the names</translation>
    </message>
    <message>
        <source>; mantidos (ficariam vazios ou repetidos): %1</source>
        <translation>; kept (they would be empty or repeated): %1</translation>
    </message>
    <message>
        <source>Nenhum &gt;NAME para preencher</source>
        <translation>No &gt;NAME to fill in</translation>
    </message>
    <message>
        <source>Nomes escritos no lugar de &gt;NAME</source>
        <translation>Names written in place of &gt;NAME</translation>
    </message>
    <message>
        <source>Desfeito: %1</source>
        <translation>Undone: %1</translation>
    </message>
    <message>
        <source>Refeito: %1</source>
        <translation>Redone: %1</translation>
    </message>
    <message>
        <source>Módulo .kicad_mod: mostrado no desenho exato (o esboço lê apenas linhas de bibliotecas .mod)</source>
        <translation>.kicad_mod module: shown in the exact drawing (the sketch reads only lines of .mod libraries)</translation>
    </message>
    <message>
        <source>O KiCad ainda não tem tabela global de bibliotecas de footprints (o KiCad nunca foi iniciado).</source>
        <translation>KiCad has no global footprint library table yet (KiCad has never been started).</translation>
    </message>
    <message>
        <source>Nenhuma biblioteca habilitada em %1</source>
        <translation>No library enabled in %1</translation>
    </message>
    <message>
        <source>Bibliotecas do KiCad</source>
        <translation>KiCad&apos;s libraries</translation>
    </message>
    <message>
        <source>Algumas linhas da tabela de bibliotecas do KiCad não foram carregadas.</source>
        <translation>Some rows of KiCad&apos;s library table were not loaded.</translation>
    </message>
    <message>
        <source>Carregar pasta de pesquisa</source>
        <translation>Load search folder</translation>
    </message>
    <message>
        <source>Ajustar à área</source>
        <translation>Fit to the area</translation>
    </message>
    <message>
        <source>Bibliotecas de pesquisa recentes</source>
        <translation>Recent search libraries</translation>
    </message>
    <message>
        <source>Bibliotecas de edição recentes</source>
        <translation>Recent edit libraries</translation>
    </message>
    <message>
        <source>Pastas de pegadas KiCad (*.pretty)</source>
        <translation>KiCad footprint folders (*.pretty)</translation>
    </message>
    <message>
        <source>%1 é uma pegada só; para editá-la, carregue a pasta .pretty que a contém.</source>
        <translation>%1 is a single footprint; to edit it, load the .pretty folder that holds it.</translation>
    </message>
    <message>
        <source>Alguns arquivos de %1 não foram lidos; ficam na pasta como estão.</source>
        <translation>Some files of %1 could not be read; they stay in the folder as they are.</translation>
    </message>
    <message>
        <source>Uma biblioteca .pretty é salva numa pasta .pretty; um arquivo .mod não guarda as pegadas do KiCad atual.</source>
        <translation>A .pretty library is saved in a .pretty folder; a .mod file cannot hold the footprints of current KiCad.</translation>
    </message>
    <message>
        <source>Pasta salva só em parte</source>
        <translation>Folder saved only in part</translation>
    </message>
    <message>
        <source>Não salvo</source>
        <translation>Not saved</translation>
    </message>
    <message>
        <source>Módulos .mod convertidos para .kicad_mod; o que a conversão deixou de fora:</source>
        <translation>.mod modules converted to .kicad_mod; what the conversion left out:</translation>
    </message>
    <message>
        <source>, %1 recusado(s)</source>
        <translation>, %1 refused</translation>
    </message>
    <message>
        <source>Prefixo tirado dos nomes (e dos textos das pegadas)</source>
        <translation>Prefix taken off the names (and the footprints&apos; texts)</translation>
    </message>
    <message>
        <source>Nenhum nome com o prefixo</source>
        <translation>No name with the prefix</translation>
    </message>
</context>
<context>
    <name>trevak::hints</name>
    <message>
        <source>Nova biblioteca: esvazia o painel de edição (esquerda) para começar outra</source>
        <translation>New library: empties the edit pane (left) to start another</translation>
    </message>
    <message>
        <source>Salvar como: grava a biblioteca do painel de edição (esquerda) num arquivo escolhido</source>
        <translation>Save as: writes the edit pane&apos;s (left) library to a chosen file</translation>
    </message>
    <message>
        <source>Apagar: tira os módulos selecionados do painel de edição (esquerda)</source>
        <translation>Delete: removes the selected modules from the edit pane (left)</translation>
    </message>
    <message>
        <source>Tirar prefixo: tira o nome da biblioteca seguido de hífen, onde estiver, dos nomes do painel de edição (esquerda); um nome que ficaria vazio ou repetido fica como está</source>
        <translation>Strip prefix: removes the library&apos;s name followed by a hyphen, wherever it is, from the names of the edit pane (left); a name that would become empty or repeated stays as it is</translation>
    </message>
    <message>
        <source>Copiar nome: escreve o nome de cada módulo do painel de edição (esquerda) no lugar de &gt;NAME</source>
        <translation>Copy name: writes each module&apos;s name of the edit pane (left) in place of &gt;NAME</translation>
    </message>
    <message>
        <source>Apresentar textos: mostra ou esconde os textos dos módulos nos desenhos</source>
        <translation>Show texts: shows or hides the modules&apos; texts in the drawings</translation>
    </message>
    <message>
        <source>Apagar: limpa o desenho do painel de edição (esquerda)</source>
        <translation>Clear: clears the drawing of the edit pane (left)</translation>
    </message>
    <message>
        <source>Converter: redesenha o módulo atual do painel de edição (esquerda)</source>
        <translation>Convert: redraws the current module of the edit pane (left)</translation>
    </message>
    <message>
        <source>+ Zoom: aumenta o desenho do painel de edição (esquerda)</source>
        <translation>+ Zoom: enlarges the drawing of the edit pane (left)</translation>
    </message>
    <message>
        <source>- Zoom: diminui o desenho do painel de edição (esquerda)</source>
        <translation>- Zoom: shrinks the drawing of the edit pane (left)</translation>
    </message>
    <message>
        <source>Normal: desenho do painel de edição (esquerda) no tamanho normal</source>
        <translation>Normal: the drawing of the edit pane (left) at its normal size</translation>
    </message>
    <message>
        <source>Primeiro: vai ao primeiro módulo nos dois painéis</source>
        <translation>First: goes to the first module in both panes</translation>
    </message>
    <message>
        <source>Próximo: vai ao módulo seguinte nos dois painéis</source>
        <translation>Next: goes to the next module in both panes</translation>
    </message>
    <message>
        <source>Anterior: volta ao módulo anterior nos dois painéis</source>
        <translation>Previous: goes back to the previous module in both panes</translation>
    </message>
    <message>
        <source>Último: vai ao último módulo nos dois painéis</source>
        <translation>Last: goes to the last module in both panes</translation>
    </message>
    <message>
        <source>Carregar biblioteca de pesquisa: abre um ou mais arquivos .mod ou .kicad_mod no painel de pesquisa (direita)</source>
        <translation>Load search library: opens one or more .mod or .kicad_mod files in the search pane (right)</translation>
    </message>
    <message>
        <source>Filtro: mostra no painel de pesquisa (direita) só os módulos com todas as palavras no nome, na biblioteca, na descrição ou nas palavras-chave (Ctrl+F; Esc limpa)</source>
        <translation>Filter: shows in the search pane (right) only the modules with every word in the name, library, description or keywords (Ctrl+F; Esc clears)</translation>
    </message>
    <message>
        <source>Ajustar: o desenho do painel de edição (esquerda) ocupa toda a área</source>
        <translation>Fit: the drawing of the edit pane (left) fills the whole area</translation>
    </message>
    <message>
        <source>Ajustar: o desenho do painel de pesquisa (direita) ocupa toda a área</source>
        <translation>Fit: the drawing of the search pane (right) fills the whole area</translation>
    </message>
    <message>
        <source>Copiar: copia os módulos selecionados do painel de pesquisa (direita) para o de edição (esquerda)</source>
        <translation>Copy: copies the selected modules from the search pane (right) to the edit pane (left)</translation>
    </message>
    <message>
        <source>+ Zoom: aumenta o desenho do painel de pesquisa (direita)</source>
        <translation>+ Zoom: enlarges the drawing of the search pane (right)</translation>
    </message>
    <message>
        <source>- Zoom: diminui o desenho do painel de pesquisa (direita)</source>
        <translation>- Zoom: shrinks the drawing of the search pane (right)</translation>
    </message>
    <message>
        <source>Normal: desenho do painel de pesquisa (direita) no tamanho normal</source>
        <translation>Normal: the drawing of the search pane (right) at its normal size</translation>
    </message>
    <message>
        <source>Abre um arquivo .mod no painel de pesquisa (direita)</source>
        <translation>Opens a .mod file in the search pane (right)</translation>
    </message>
    <message>
        <source>Abre no painel de pesquisa (direita) uma pasta .pretty, ou todas as bibliotecas .mod e pastas .pretty de uma pasta e das subpastas</source>
        <translation>Opens in the search pane (right) a .pretty folder, or every .mod library and .pretty folder of a folder and its subfolders</translation>
    </message>
    <message>
        <source>Abre no painel de pesquisa (direita) as bibliotecas da tabela de bibliotecas do KiCad</source>
        <translation>Opens in the search pane (right) the libraries of KiCad&apos;s library table</translation>
    </message>
    <message>
        <source>Exporta a biblioteca do painel de edição (esquerda) como pasta .pretty do KiCad atual</source>
        <translation>Exports the edit pane&apos;s (left) library as a .pretty folder for current KiCad</translation>
    </message>
    <message>
        <source>Acrescenta uma pasta .pretty (a da última exportação do painel de edição, à esquerda) à tabela de bibliotecas global do KiCad ou à de um projeto</source>
        <translation>Adds a .pretty folder (the last export&apos;s from the edit pane, on the left) to KiCad&apos;s global library table or to a project&apos;s</translation>
    </message>
    <message>
        <source>Alterna o desenho de cada painel (edição e pesquisa) entre o esboço e o desenho exato</source>
        <translation>Switches each pane&apos;s drawing (edit and search) between the sketch and the exact drawing</translation>
    </message>
    <message>
        <source>Grava a biblioteca do painel de edição (esquerda) num arquivo escolhido</source>
        <translation>Writes the edit pane&apos;s (left) library to a chosen file</translation>
    </message>
    <message>
        <source>Esvazia o painel de edição (esquerda) para começar uma biblioteca nova</source>
        <translation>Empties the edit pane (left) to start a new library</translation>
    </message>
    <message>
        <source>Fecha o Trevak (pergunta antes se houver mudanças não salvas)</source>
        <translation>Closes Trevak (asking first when there are unsaved changes)</translation>
    </message>
    <message>
        <source>Desfaz a última mudança da biblioteca do painel de edição (esquerda)</source>
        <translation>Undoes the last change to the edit pane&apos;s (left) library</translation>
    </message>
    <message>
        <source>Mostra a versão, a licença e os formatos do KiCad que o Trevak lê e grava</source>
        <translation>Shows the version, the licence and the KiCad formats Trevak reads and writes</translation>
    </message>
    <message>
        <source>Refaz a mudança desfeita na biblioteca do painel de edição (esquerda)</source>
        <translation>Redoes the undone change to the edit pane&apos;s (left) library</translation>
    </message>
    <message>
        <source>Copia os módulos selecionados do painel de pesquisa (direita) para o de edição (esquerda) (Insert)</source>
        <translation>Copies the selected modules from the search pane (right) to the edit pane (left) (Insert)</translation>
    </message>
    <message>
        <source>Tira os módulos selecionados do painel de edição (esquerda) (Delete na lista de nomes)</source>
        <translation>Removes the selected modules from the edit pane (left) (Delete in the list of names)</translation>
    </message>
    <message>
        <source>Muda o nome do módulo atual do painel de edição (esquerda) (F2)</source>
        <translation>Changes the name of the edit pane&apos;s (left) current module (F2)</translation>
    </message>
    <message>
        <source>Põe o cursor no filtro do painel de pesquisa (direita) (Ctrl+F)</source>
        <translation>Puts the cursor in the search pane&apos;s (right) filter (Ctrl+F)</translation>
    </message>
    <message>
        <source>Fala português na janela, da próxima vez que o Trevak abrir</source>
        <translation>Speaks Portuguese in the window the next time Trevak opens</translation>
    </message>
    <message>
        <source>Fala inglês na janela, da próxima vez que o Trevak abrir</source>
        <translation>Speaks English in the window the next time Trevak opens</translation>
    </message>
    <message>
        <source>Carregar biblioteca: abre um arquivo .mod ou uma pasta .pretty no painel de edição (esquerda)</source>
        <translation>Load library: opens a .mod file or a .pretty folder in the edit pane (left)</translation>
    </message>
    <message>
        <source>Abre um arquivo .mod ou uma pasta .pretty no painel de edição (esquerda)</source>
        <translation>Opens a .mod file or a .pretty folder in the edit pane (left)</translation>
    </message>
    <message>
        <source>Grava a biblioteca do painel de edição (esquerda) no arquivo de onde veio, sem perguntar (de uma pasta .pretty, só as pegadas mudadas)</source>
        <translation>Writes the edit pane&apos;s (left) library to the file it came from, without asking (for a .pretty folder, only the footprints that changed)</translation>
    </message>
</context>
<context>
    <name>trevak::library</name>
    <message>
        <source>Já existe um componente com este nome na biblioteca atual!</source>
        <translation>A component with this name exists already in the current library!</translation>
    </message>
    <message>
        <source>Biblioteca vazia!</source>
        <translation>Empty library!</translation>
    </message>
</context>
</TS>
