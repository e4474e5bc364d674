#pragma once
// OpenGL entry points of the device layer, fetched through SDL once a context
// exists. Only the functions the layer calls are listed.
#include <GL/glcorearb.h>

#define D3D9GL_FUNCTIONS(X)                                              \
  X(PFNGLGETSTRINGPROC, glGetString)                                     \
  X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                 \
  X(PFNGLGETERRORPROC, glGetError)                                       \
  X(PFNGLENABLEPROC, glEnable)                                           \
  X(PFNGLDISABLEPROC, glDisable)                                         \
  X(PFNGLVIEWPORTPROC, glViewport)                                       \
  X(PFNGLSCISSORPROC, glScissor)                                         \
  X(PFNGLCLEARCOLORPROC, glClearColor)                                   \
  X(PFNGLCLEARDEPTHPROC, glClearDepth)                                   \
  X(PFNGLCLEARSTENCILPROC, glClearStencil)                               \
  X(PFNGLCLEARPROC, glClear)                                             \
  X(PFNGLCOLORMASKPROC, glColorMask)                                     \
  X(PFNGLDEPTHMASKPROC, glDepthMask)                                     \
  X(PFNGLDEPTHFUNCPROC, glDepthFunc)                                     \
  X(PFNGLDEPTHRANGEPROC, glDepthRange)                                   \
  X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                     \
  X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)             \
  X(PFNGLBLENDCOLORPROC, glBlendColor)                                   \
  X(PFNGLCULLFACEPROC, glCullFace)                                       \
  X(PFNGLFRONTFACEPROC, glFrontFace)                                     \
  X(PFNGLSTENCILFUNCPROC, glStencilFunc)                                 \
  X(PFNGLSTENCILOPPROC, glStencilOp)                                     \
  X(PFNGLSTENCILMASKPROC, glStencilMask)                                 \
  X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                 \
  X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex)                         \
  X(PFNGLCLIPCONTROLPROC, glClipControl)                                 \
  X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                 \
  X(PFNGLREADPIXELSPROC, glReadPixels)                                   \
  X(PFNGLFINISHPROC, glFinish)                                           \
  X(PFNGLFLUSHPROC, glFlush)                                             \
  X(PFNGLGENTEXTURESPROC, glGenTextures)                                 \
  X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                           \
  X(PFNGLBINDTEXTUREPROC, glBindTexture)                                 \
  X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                             \
  X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                   \
  X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                             \
  X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                             \
  X(PFNGLTEXPARAMETERIVPROC, glTexParameteriv)                           \
  X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                 \
  X(PFNGLDELETESAMPLERSPROC, glDeleteSamplers)                           \
  X(PFNGLBINDSAMPLERPROC, glBindSampler)                                 \
  X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                     \
  X(PFNGLSAMPLERPARAMETERFVPROC, glSamplerParameterfv)                   \
  X(PFNGLGENBUFFERSPROC, glGenBuffers)                                   \
  X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                             \
  X(PFNGLBINDBUFFERPROC, glBindBuffer)                                   \
  X(PFNGLBUFFERDATAPROC, glBufferData)                                   \
  X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                             \
  X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                         \
  X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                   \
  X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                         \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)         \
  X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)       \
  X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                 \
  X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                   \
  X(PFNGLDRAWELEMENTSBASEVERTEXPROC, glDrawElementsBaseVertex)           \
  X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                         \
  X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                   \
  X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                         \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)               \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)           \
  X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)                         \
  X(PFNGLDRAWBUFFERPROC, glDrawBuffer)                                   \
  X(PFNGLREADBUFFERPROC, glReadBuffer)                                   \
  X(PFNGLCREATESHADERPROC, glCreateShader)                               \
  X(PFNGLSHADERSOURCEPROC, glShaderSource)                               \
  X(PFNGLCOMPILESHADERPROC, glCompileShader)                             \
  X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                 \
  X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                       \
  X(PFNGLDELETESHADERPROC, glDeleteShader)                               \
  X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                             \
  X(PFNGLATTACHSHADERPROC, glAttachShader)                               \
  X(PFNGLDETACHSHADERPROC, glDetachShader)                               \
  X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                   \
  X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)               \
  X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                 \
  X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                               \
  X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                     \
  X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                             \
  X(PFNGLUSEPROGRAMPROC, glUseProgram)                                   \
  X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                   \
  X(PFNGLUNIFORM1IPROC, glUniform1i)                                     \
  X(PFNGLUNIFORM1FPROC, glUniform1f)                                     \
  X(PFNGLUNIFORM4FPROC, glUniform4f)                                     \
  X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                   \
  X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                   \
  X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                   \
  X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                       \
  X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv)                       \
  X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap)

namespace d3d9gl {
#define D3D9GL_DECLARE(type, name) extern type name;
D3D9GL_FUNCTIONS(D3D9GL_DECLARE)
#undef D3D9GL_DECLARE

// Fetches every entry point with the current context; false names the first
// one missing through *missing.
bool LoadFunctions(const char** missing);
}  // namespace d3d9gl
